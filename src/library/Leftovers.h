#pragma once
// Files a move writes before it is complete (a partial copy, a trash entry waiting for
// its file) are held locked while the move runs. One that nobody holds any more was
// left by a move that was interrupted (a crash, a kill), and may be cleared away.

#include <QByteArray>
#include <QString>
#include <functional>

namespace vidorra {

// Marks the open file as part of a running move until the descriptor is closed.
void holdWhileMoving(int fd);

// Removes from `folder` the regular files of ours (owned by the effective user) whose
// name `named` accepts, that no running move holds, and that `isLeftover` (when given)
// recognises once held, reading them through the open descriptor. Everything else, and
// anything that cannot be checked, stays.
void removeLeftovers(const QString &folder, const std::function<bool(const QByteArray &name)> &named,
                     const std::function<bool(const QByteArray &name, int fd)> &isLeftover = {});

} // namespace vidorra
