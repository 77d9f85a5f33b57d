#pragma once
// The checksum file of an import folder: one line per file, in the format `xxhsum -H2`
// writes and `xxhsum -c` checks ("<32 hex digits>  <path relative to the folder>"), so
// the copy can be checked later by other tools as well as by this one.

#include "import/Checksum.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vidorra {

// The checksum file's name inside an import folder.
QString manifestName();

struct ManifestEntry {
    QString path; // relative to the folder, "/" between components
    Digest digest;
    bool operator==(const ManifestEntry &) const = default;
};

// One line of the file, line feed included. A name holding a line feed cannot be
// written as it stands; it is escaped the way GNU coreutils and later xxhsum versions
// read (the line starts with "\", and "\\" and "\n" stand for themselves).
QByteArray manifestLine(const ManifestEntry &entry);

struct ManifestRead {
    QList<ManifestEntry> entries;
    QStringList badLines; // "line N" for lines that are not checksum lines
    bool found = false;   // the file exists and could be read
};

// Reads the checksum file at `path`. Blank lines are passed over. A line whose path is
// absolute or climbs out of the folder ("..") is a bad line.
ManifestRead readManifest(const QString &path);

// Appends entries to a folder's checksum file, creating it when absent. Each append is
// written at once; flush() makes it durable.
class ManifestWriter {
public:
    explicit ManifestWriter(QString folder);
    ~ManifestWriter();
    ManifestWriter(const ManifestWriter &) = delete;
    ManifestWriter &operator=(const ManifestWriter &) = delete;

    // 0 or an errno value.
    int append(const ManifestEntry &entry);
    int flush();

private:
    QString folder;
    int fd = -1;
};

// Checks a folder against its checksum file. A listed file that is not at its place
// but lies elsewhere in the folder with the same checksum (the clips were sorted or
// renamed since) counts as present.
struct VerifyReport {
    bool manifestFound = false;
    int listed = 0;        // entries in the checksum file
    int good = 0;          // entries whose file was found with the right checksum
    QStringList problems;  // one line per missing or damaged file, or per bad line
};
VerifyReport verifyFolder(const QString &folder);

} // namespace vidorra
