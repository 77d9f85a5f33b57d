#pragma once
// Folder scanning: which files a scan takes, in which order, and the planned record
// of each clip.

#include "metadata/ClipInfo.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <atomic>
#include <memory>

namespace vidorra {

// One scanned clip. `url` is an absolute path; `folder` is the destination relative to
// the clip's own folder ("D-Log/4K 30p").
struct Planned {
    QUuid id = QUuid::createUuid();
    QString url;
    QString folder;
    QString label;
    bool sortable = false;
    ClipInfo info;
    qint64 size = 0;
    QString profile;
    QString speed;
    QString resolution;
};

} // namespace vidorra

// Every member moves by memcpy (Qt's strings and plain values), so lists of records grow
// and shift without running a constructor per record.
Q_DECLARE_TYPEINFO(vidorra::Planned, Q_RELOCATABLE_TYPE);

namespace vidorra {

struct ScanResult {
    QString root;          // the opened folder, or the parent folder of the first item
    bool isFolder = false; // exactly one item was opened and it is a folder
    QList<Planned> items;
    QStringList skipped;   // file names of rejected entries, in collected order
};

// The cancellation flag of one scan, shared by the model and the scan work. Atomic
// because it is set on the main thread while the scan reads it on another.
struct ScanToken {
    std::atomic<bool> cancelled{false};
};
using ScanTokenPtr = std::shared_ptr<ScanToken>;

struct CollectedFile {
    QString url;
    bool direct = true;
    bool operator==(const CollectedFile &) const = default;
};

struct Collected {
    ScanResult result;          // root, isFolder and skipped set; no items
    QList<CollectedFile> files; // the clips to analyse, sorted by file name
};

// Decides which files a scan takes. Directories are walked recursively without
// following symbolic links, skipping hidden entries; duplicates (by cleaned absolute
// path) are taken once; the list is sorted by file name, stably.
Collected collect(const QStringList &urls);

// Reads one file into its record. Never fails: an unreadable file still gets one.
Planned analyze(const QString &url, bool direct);

// collect, then analyze every collected file in order.
ScanResult scan(const QStringList &urls);

} // namespace vidorra
