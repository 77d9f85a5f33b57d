#pragma once
// Keeping the remembered sources of the last load pointing at files that moved, so
// the next reload finds them.

#include "library/Organize.h"

#include <QStringList>

namespace vidorra {

// Replaces each source that one of the moves took away by where it went. When two
// moves start from the same place the first one counts. Order and length stay.
QStringList remapForward(const QStringList &sources, const QList<Move> &moves);

// The inverse after the moves were put back: walks them newest first and turns each
// destination back into its origin, so a clip that was sorted and then renamed ends
// at the path it had before both.
QStringList remapBackward(const QStringList &sources, const QList<Move> &moves);

} // namespace vidorra
