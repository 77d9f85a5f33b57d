#pragma once
// Path helpers shared by scanning, organizing, undo, trash and rename.

#include <QString>

namespace vidorra {

// The cleaned absolute form of a path: "." and ".." resolved textually, no trailing
// "/", symbolic links left alone. Paths are compared in this form.
QString standardized(const QString &path);
// Last path component.
QString fileName(const QString &path);
// The path less its last component ("/" for a file at the root).
QString parentPath(const QString &path);
// The last path component less its extension (everything from the last ".").
QString stemOf(const QString &path);
// The extension without the dot, as written; empty when there is none.
QString extensionOf(const QString &path);
// The path with its extension replaced by `ext` (no dot).
QString withExtension(const QString &path, const QString &ext);
// Whether anything exists at the path, a dangling symbolic link included (lstat).
bool existsAt(const QString &path);
// Whether the path is a regular file itself, not through a symbolic link (lstat).
bool isRegularFile(const QString &path);
// Whether the path is a directory (following links, as an opened folder may be a link).
bool isDirectory(const QString &path);

} // namespace vidorra
