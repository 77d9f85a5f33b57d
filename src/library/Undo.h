#pragma once
// Sending clips to the trash, and putting every recorded move back.

#include "library/Organize.h"

namespace vidorra {

// Trashes each clip, then its companions; records where each file went.
SortOutcome trashClips(const QList<Planned> &items);

// Puts back every move (given oldest first), newest first, then removes the
// destination folders of non-trashed moves that became empty (two levels, only real
// folders inside the folder each file came from). Returns the failure lines; empty
// when all went well.
QStringList undo(const QList<Move> &moves);

} // namespace vidorra
