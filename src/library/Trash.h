#pragma once
// The freedesktop.org trash: the home trash under $XDG_DATA_HOME/Trash, and
// $topdir/.Trash-$uid for files on other file systems.

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

// The home trash folder ($XDG_DATA_HOME/Trash, or ~/.local/share/Trash).
QString homeTrash();

} // namespace vidorra
