#pragma once
// Texts of the status line: sizes with durations, and the clip counts.

#include <QString>

namespace vidorra {

// "1.2 GB · 62:05": the size in file-size style, then minutes (not limited to 59) and
// seconds of the duration rounded to whole seconds, halves away from zero.
QString stats(qint64 bytes, double seconds);

// Minutes (not limited to 59), ":" and two-digit seconds of whole seconds ("4:05",
// "62:05"); a negative count reads "0:00". Every minutes-and-seconds text uses it.
QString clockText(qint64 wholeSeconds);

// Minutes and seconds of a duration rounded to whole seconds, e.g. "62:05".
QString minutesSeconds(double seconds);

// The size in the platform's file-size style (decimal units), written the way the chosen
// language writes numbers.
QString fileSize(qint64 bytes);

// "%n clips · %@" with the count and stats of the totals.
QString statusText(int clips, qint64 bytes, double seconds);

} // namespace vidorra
