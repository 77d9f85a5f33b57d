#pragma once
// What the window derives from the model to decide what it shows.

#include "library/Scan.h"

#include <QList>
#include <QString>
#include <optional>

namespace vidorra {

class Model;

// The clips the intro plays: those whose tracks could be read. A file that is not a
// readable movie would only be a blank tile; it waits in the Unknown tab.
QList<Planned> introClips(const Model &model);

// The intro face: clips it can play, not yet organized, and either the scan is over or
// at least Model::introMinimum of them have been read.
bool showIntro(const Model &model);

// The clips of the open pile: the first section whose folder is the open one; none when
// no pile is open or it no longer exists.
std::optional<QList<Planned>> openItems(const Model &model);

// What "Sort" organizes: the open pile's sortable clips, else every tab's.
QList<Planned> sortableNow(const Model &model);

// Title and optional detail line of a pile, from its first clip: "Slow Motion" with
// "120 → 30p" for slow motion, else the capture rate and "p". Unrecognized: the clip's
// description, "Unknown".
struct PileHeading {
    QString title;
    std::optional<QString> detail;
};
PileHeading pileHeading(const Planned &first);

// "1 clip", "2 clips".
QString clipCount(qsizetype count);

// Summed sizes and durations of clips.
qint64 totalBytes(const QList<Planned> &items);
double totalSeconds(const QList<Planned> &items);

// "%n clips · %@" for the open pile, else for the current tab.
QString currentStatusText(const Model &model);

} // namespace vidorra
