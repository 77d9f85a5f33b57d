#pragma once
// The freedesktop.org trash: the home trash under $XDG_DATA_HOME/Trash, and on other
// file systems $topdir/.Trash/$uid or $topdir/.Trash-$uid.

#include <QString>
#include <optional>

namespace vidorra {

struct TrashResult {
    std::optional<QString> location; // the file's place in the trash
    std::optional<QString> error;    // readable description on failure
};

// Moves the file into the trash with its .trashinfo entry.
TrashResult moveToTrash(const QString &path);

// When `location` is a file inside a trash's files/ folder, the path of its
// .trashinfo entry; nothing otherwise.
std::optional<QString> trashInfoFor(const QString &location);

// The home trash folder ($XDG_DATA_HOME/Trash, or ~/.local/share/Trash). It may be a
// symbolic link to a folder.
QString homeTrash();

// The trash for files of the file system mounted at `topDir`, made when missing:
// $topDir/.Trash/$uid when $topDir/.Trash is a real folder with the sticky bit, else
// $topDir/.Trash-$uid. Either must be a real folder of the user's that no one else may
// write to; nothing when neither is.
std::optional<QString> topDirTrash(const QString &topDir);

} // namespace vidorra
