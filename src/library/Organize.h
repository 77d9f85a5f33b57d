#pragma once
// Moving clips with their companion files into the folders scanning planned.

#include "library/Scan.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vidorra {

// One file moved, trashed or renamed.
struct Move {
    QString from;
    QString to;
    bool trashed = false; // `to` is the file's place in the trash
    bool operator==(const Move &) const = default;
};

// The result of a batch: the moves made in order and one line per failure.
struct SortOutcome {
    QList<Move> moves;
    QStringList failed;
};

// Moves every sortable item into its folder beside it (the clip's folder plus
// `folder`), companions after their clip. Never stops at a failure.
SortOutcome organize(const ScanResult &result);

// The head line, at most four failure lines and "…and %d more" for the rest.
QString issues(const QString &head, const QStringList &lines);

} // namespace vidorra
