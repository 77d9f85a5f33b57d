#pragma once
// .cube files on disk: read safely (regular files only, never blocking on a pipe, never
// more than cubeMaxFileBytes), read once and shared while they stay unchanged, and the
// message that tells the user what is wrong with one.

#include "preview/CubeFormat.h"

#include <QString>
#include <optional>

namespace vidorra {

// Far above any real table (129^3 entries of long decimals take about 130 MB).
inline constexpr qint64 cubeMaxFileBytes = qint64(256) << 20;

// Which file, as it was: a file rewritten or replaced gets another stamp.
struct FileStamp {
    quint64 device = 0, inode = 0;
    qint64 size = 0, modified = 0, changed = 0;   // times in nanoseconds
    bool operator==(const FileStamp &) const = default;
};

struct CubeFile {
    CubePtr cube;                     // null when the file is not a usable table
    QString title;                    // the TITLE, empty when it has none
    std::optional<FileStamp> stamp;   // none when the file could not be examined
    std::optional<CubeError> error;   // set exactly when `cube` is null
};

// Reads and parses the file at `path`; a usable table gets a fresh id.
CubeFile readCubeFile(const QString &path);

// Like readCubeFile, but a table already read from the same file, unchanged since, is
// handed out again (same table, same id) instead of being read twice. Any thread.
CubeFile sharedCubeFile(const QString &path);

// The file at `path` as it is now; none when it cannot be examined.
std::optional<FileStamp> stampOf(const QString &path);

// The user's text for `error` in the current language, naming the file and, where one
// applies, the line: "Look.cube, line 12: …".
QString cubeMessage(const CubeError &error, const QString &path);

} // namespace vidorra
