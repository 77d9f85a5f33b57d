#pragma once
// The one way files are moved: never replacing an existing file, and across file
// systems copying completely and flushing before the original is removed.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace vidorra {

// Moves the file at `from` to `to`, which must not exist. On failure returns a readable
// description of the error and leaves `from` in place and nothing new at `to`.
// Across file systems the file is copied: a source that changes while it is copied stays
// where it is and the move fails with "changed while being moved"; a source that is gone
// by the time its copy is in place leaves the copy, and the move counts as done. Before
// a copy, partial copies that interrupted moves left in the target folder are removed,
// and `beforeCopy` runs when given (the trash clears its own leftovers with it).
std::optional<QString> moveFile(const QString &from, const QString &to,
                                const std::function<void()> &beforeCopy = {});

// Creates the folder with all missing intermediate folders; an existing folder is no
// error. On failure returns a readable description. `created` receives the folders
// made by this call, outermost first.
std::optional<QString> makeFolders(const QString &path, QStringList *created = nullptr);

// The readable description of an errno value.
QString errorText(int errnum);

// Steps of a move at which a test can inject a failure or watch the outcome.
enum class MoveStep {
    Rename,     // the no-replace rename (EINVAL takes the hard-link way)
    Link,       // the hard-link way (EPERM takes the placeholder way)
    CopyChunk,  // each chunk of a copy across file systems
    Flush,      // fsync of the copy
    Place,      // putting the finished copy in place
    SyncFolder, // fsync of the folder that received the copy
    Verify,     // checking the original is still what was copied
    Unlink,     // removing the original after a copy
};

// Test hook: called before each step; returning an errno value makes the step fail
// with it (EXDEV at Rename forces the copy path). Empty function to remove.
using MoveFault = std::function<int(MoveStep step, const QString &from, const QString &to)>;
void setMoveFault(MoveFault fault);

// Test hook: called after the real Flush and SyncFolder with their result (0 or an
// errno value); the move goes on with the value returned. Empty function to remove.
using MoveWatch = std::function<int(MoveStep step, int result)>;
void setMoveWatch(MoveWatch watch);

} // namespace vidorra
