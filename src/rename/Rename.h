#pragma once
// Renaming clips from a template: planning the new names and carrying them out with
// the clips' companion files.

#include "library/Organize.h"
#include "library/Scan.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace vidorra {

// One planned rename, in the clip's own folder.
struct RenamePlan {
    QUuid id;     // the id of the Planned record renamed
    QString from; // present path
    QString to;   // new path: same folder, new name, same extension
    bool operator==(const RenamePlan &) const = default;
};

// "{date}_{profile}_{res}{fps}_{num}"
QString defaultRenameTemplate();

// One plan per clip whose name changes, in the order of the clips. Clashes with
// existing files and with other plans (compared in lower case) are numbered
// name, name_2, name_3, ...
QList<RenamePlan> renamePlans(const QList<Planned> &items, const QString &pattern);

// The new file name without extension of the clip at 0-based `position`.
QString newStem(const Planned &item, const QString &pattern, qsizetype position);

// Eight digits yyyyMMdd: from the file name, else the file's birth or modification
// date in the local time zone, else "00000000".
QString clipDate(const QString &stem, const QString &url);

// Renames each clip and its companions; never replaces a file; never stops.
SortOutcome performRename(const QList<RenamePlan> &plans);

} // namespace vidorra
