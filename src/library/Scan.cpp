#include "library/Scan.h"

#include "library/NameOrder.h"
#include "library/Paths.h"
#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "metadata/Labels.h"
#include "text/Language.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace vidorra {

namespace {

bool isVideoName(const QString &path)
{
    return videoExts().contains(extensionOf(path).toLower());
}

struct Entry {
    QString name;
    bool folder = false;
};

// The visible entries of one folder, sorted by name so the walk order is the same on
// every run. Symbolic links are reported as what they are, never as folders.
QList<Entry> listFolder(const QString &folder)
{
    QList<Entry> entries;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return entries;
    while (const dirent *d = ::readdir(dir)) {
        if (d->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        Entry entry{QFile::decodeName(d->d_name), d->d_type == DT_DIR};
        if (d->d_type == DT_UNKNOWN) {
            struct stat st;
            const QByteArray path = QFile::encodeName(folder + u'/' + entry.name);
            entry.folder = ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries << entry;
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return compareScalars(a.name, b.name) < 0; });
    return entries;
}

// Depth first, each entry before the contents of its folder; every entry named like a
// clip is taken, folders and links included (the regular-file test rejects them later).
void walk(const QString &root, QSet<QString> &seen, QList<CollectedFile> &files)
{
    struct Level {
        QString folder;
        QList<Entry> entries;
        qsizetype next = 0;
    };
    QList<Level> stack{{root, listFolder(root), 0}};
    while (!stack.isEmpty()) {
        Level &level = stack.last();
        if (level.next >= level.entries.size()) {
            stack.removeLast();
            continue;
        }
        const Entry entry = level.entries.at(level.next++);
        const QString path = (level.folder == u"/" ? QString() : level.folder) + u'/' + entry.name;
        if (isVideoName(entry.name) && !seen.contains(path)) {
            seen.insert(path);
            files << CollectedFile{path, true};
        }
        if (entry.folder)
            stack << Level{path, listFolder(path), 0};
    }
}

// Whether the clip already lies in its profile's folder: the folder two levels up is
// named after it, or its own folder begins with it and " - ". `profile` is the folder
// name organizing makes, so what it sorted counts as sorted at the next scan.
bool alreadySorted(const QString &url, const QString &profile)
{
    const QString folder = parentPath(url);
    const QString grandparent = parentPath(folder);
    if (folder != u"/" && compareNames(fileName(grandparent), profile) == 0)
        return true;
    const QString own = fileName(folder).normalized(QString::NormalizationForm_C);
    return own.startsWith(profile.normalized(QString::NormalizationForm_C) + QStringLiteral(" - "));
}

} // namespace

Collected collect(const QStringList &urls)
{
    Collected out;
    if (urls.isEmpty()) {
        out.result.root = QStringLiteral("/");
        return out;
    }
    const QString first = standardized(urls.first());
    out.result.isFolder = urls.size() == 1 && isDirectory(first);
    out.result.root = out.result.isFolder ? first : parentPath(first);

    QSet<QString> seen;
    QList<CollectedFile> found;
    for (const QString &url : urls) {
        const QString path = standardized(url);
        if (!isDirectory(path)) {
            if (!seen.contains(path)) {
                seen.insert(path);
                found << CollectedFile{path, true};
            }
            continue;
        }
        walk(path, seen, found);
    }

    // Stable: equal names keep their collected order. Names are normalised once.
    struct Keyed {
        QString name;
        qsizetype index;
    };
    QList<Keyed> keyed;
    keyed.reserve(found.size());
    for (qsizetype i = 0; i < found.size(); ++i)
        keyed << Keyed{fileName(found.at(i).url).normalized(QString::NormalizationForm_C), i};
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return compareScalars(a.name, b.name) < 0;
    });

    for (const Keyed &key : std::as_const(keyed)) {
        const CollectedFile &file = found.at(key.index);
        if (isVideoName(file.url) && isRegularFile(file.url))
            out.files << file;
        else
            out.result.skipped << fileName(file.url);
    }
    return out;
}

Planned analyze(const QString &url, bool direct)
{
    Planned item;
    item.url = standardized(url);
    struct stat st;
    if (::lstat(QFile::encodeName(item.url).constData(), &st) == 0)
        item.size = st.st_size;

    const std::optional<ClipInfo> read = readClip(item.url);
    if (read && isSupportedPocket(*read) && read->playbackFPS > 0) {
        item.info = *read;
        item.folder = folderName(item.info);
        item.label = describe(item.info);
        item.sortable = direct && !alreadySorted(item.url, item.folder.section(u'/', 0, 0));
    } else {
        item.info = readBasic(item.url);
        item.folder = folderName(item.info);
        item.label = describe(item.info);
        item.sortable = false;
    }
    item.profile = profileLabel(item.info);
    item.speed = speedKey(item.info);
    item.resolution = item.info.recognized ? resolutionLabel(item.info) : L("Unknown");
    return item;
}

ScanResult scan(const QStringList &urls)
{
    Collected collected = collect(urls);
    collected.result.items.reserve(collected.files.size());
    for (const CollectedFile &file : std::as_const(collected.files))
        collected.result.items << analyze(file.url, file.direct);
    return collected.result;
}

} // namespace vidorra
