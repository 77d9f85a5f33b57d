#pragma once
// The texts clip cards and pile cards show, as plain functions of the clips.

#include "library/Scan.h"

#include <QList>
#include <QString>
#include <optional>

namespace vidorra {

// The card's time label: while scrubbing, the scrub point cut to whole seconds;
// otherwise the duration rounded to the nearest second.
QString cardTimeText(double duration, std::optional<double> scrubFraction);

// The card's second line. `parts` is "4K 30 fps · ISO 400" (or "No Data" when there is
// nothing to say); `kelvin` the white-balance text with "K", shown in its own colour.
struct CardDetails {
    QString parts;
    QString kelvin;
};
CardDetails cardDetails(const ClipInfo &info);

// "100–400" with the suffix, "100" and the suffix for a single value, nothing for none.
std::optional<QString> rangeText(const QList<qint64> &values, const QString &suffix = {});

// The pile's "ISO 100–400 · 4300–5600K" line; empty when no clip has either value.
QString pileSettingsLine(const QList<Planned> &items);
// The pile's total size and total duration, "1.2 GB · 4:05".
QString pileTotalsLine(const QList<Planned> &items);

} // namespace vidorra
