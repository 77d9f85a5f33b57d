#include "library/Trash.h"

#include "library/Leftovers.h"
#include "library/Paths.h"
#include "library/SafeMove.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

constexpr char infoSuffix[] = ".trashinfo";
// Marks the entries we write, so that one left behind by an interrupted move is known
// as ours. Readers of the trash ignore keys they do not know.
constexpr char ourMark[] = "X-Vidorra=1\n";

// The device of the path, or of its nearest existing ancestor.
dev_t deviceOf(QString path)
{
    struct stat st;
    for (;;) {
        if (::stat(native(path).constData(), &st) == 0)
            return st.st_dev;
        if (path == u"/")
            return 0;
        path = parentPath(path);
    }
}

// The mount point holding `path`: the highest ancestor on the same device.
QString topDirOf(const QString &path, dev_t device)
{
    QString top = parentPath(path);
    while (top != u"/") {
        const QString up = parentPath(top);
        struct stat st;
        if (::stat(native(up).constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The path with every link in its folders resolved; the last component stays as it is.
// A clip opened through a linked folder belongs to the file system of the link's target.
QString realPathOf(const QString &path)
{
    char *resolved = ::realpath(native(parentPath(path)).constData(), nullptr);
    if (!resolved)
        return path;
    const QString folder = QFile::decodeName(resolved);
    ::free(resolved);
    return (folder == u"/" ? QString() : folder) + u'/' + fileName(path);
}

// 0, or the errno value that keeps the folder from being there. A file, or a link unless
// `linkAllowed`, in the folder's place is not a folder of the trash.
int ensureFolder(const QString &path, bool linkAllowed = false)
{
    if (::mkdir(native(path).constData(), 0700) == 0)
        return 0;
    const int err = errno;
    if (err != EEXIST)
        return err;
    struct stat st;
    const int found = linkAllowed ? ::stat(native(path).constData(), &st) : ::lstat(native(path).constData(), &st);
    return found == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// The home trash is the user's own, in the user's own home: it may be a link to a folder.
int ensureHomeTrash(const QString &trash)
{
    const QString parent = parentPath(trash);
    if (!existsAt(parent) && makeFolders(parent).has_value())
        return isDirectory(parent) ? EACCES : ENOTDIR;
    int err = ensureFolder(trash, true);
    if (!err)
        err = ensureFolder(trash + QStringLiteral("/files"));
    if (!err)
        err = ensureFolder(trash + QStringLiteral("/info"));
    return err;
}

// A folder of a trash on a shared file system, made when missing: only a real folder of
// the user's that no one else may write to, or another user could take the files away.
bool privateFolder(const QString &path)
{
    if (::mkdir(native(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

bool usableTopDirTrash(const QString &trash)
{
    return privateFolder(trash) && privateFolder(trash + QStringLiteral("/files"))
        && privateFolder(trash + QStringLiteral("/info"));
}

struct TrashPlace {
    QString folder;    // the trash folder holding files/ and info/
    QString infoPath;  // the Path value: absolute, or relative to the top folder
};

// The home trash for files on its file system; else the top folder's trash, and the
// home trash again (reached by copying) when that may not be used.
std::optional<TrashPlace> placeFor(const QString &real, dev_t device, int &err)
{
    const QString home = homeTrash();
    if (deviceOf(home) != device) {
        const QString top = topDirOf(real, device);
        if (const std::optional<QString> trash = topDirTrash(top)) {
            QString relative = real.mid(top.size());
            while (relative.startsWith(u'/'))
                relative.remove(0, 1);
            return TrashPlace{*trash, relative};
        }
    }
    err = ensureHomeTrash(home);
    if (!err)
        return TrashPlace{home, real};
    return std::nullopt;
}

QString candidateName(const QString &name, int n)
{
    if (n == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return name + QStringLiteral(".%1").arg(n);
    return name.left(dot) + QStringLiteral(".%1").arg(n) + name.mid(dot);
}

// Creates the .trashinfo exclusively, which reserves the name in the trash, and holds it
// until the file is in place. Returns the open descriptor, or -1 with `err` set.
int createInfo(const QString &infoFile, const QString &pathValue, int &err)
{
    const int fd = ::open(native(infoFile).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    holdWhileMoving(fd);
    // The path as the file system's bytes, escaped as in URLs.
    const QByteArray text = "[Trash Info]\nPath=" + native(pathValue).toPercentEncoding("/")
        + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + "\n" + ourMark;
    err = 0;
    if (::write(fd, text.constData(), text.size()) != text.size())
        err = errno ? errno : EIO;
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (!err)
        return fd;
    ::unlink(native(infoFile).constData());
    ::close(fd);
    return -1;
}

// The name of the file an entry stands for; empty for a name that is no entry's.
QByteArray itemOf(const QByteArray &entry)
{
    constexpr qsizetype suffix = sizeof infoSuffix - 1;
    return entry.size() > suffix && entry.endsWith(infoSuffix) ? entry.chopped(suffix) : QByteArray();
}

// The names in a folder, as the file system's bytes.
QSet<QByteArray> namesIn(DIR *dir)
{
    QSet<QByteArray> names;
    while (const dirent *entry = ::readdir(dir))
        names.insert(QByteArray(entry->d_name));
    return names;
}

// Whether the open entry is one we wrote.
bool ours(int fd)
{
    char buffer[8192];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    const QByteArray text = QByteArray::fromRawData(buffer, n > 0 ? n : 0);
    return text.startsWith("[Trash Info]\n") && text.contains(QByteArray("\n") + ourMark);
}

} // namespace

QString homeTrash()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return standardized(data + QStringLiteral("/Trash"));
}

std::optional<QString> topDirTrash(const QString &topDir)
{
    const QString top = standardized(topDir);
    const QString base = top == u"/" ? QString() : top;
    const QString uid = QString::number(::geteuid());
    // The administrator's shared trash, only with the sticky bit: then no user can take
    // away another's folder in it.
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat st;
    if (::lstat(native(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)
        && usableTopDirTrash(shared + u'/' + uid))
        return shared + u'/' + uid;
    const QString own = base + QStringLiteral("/.Trash-") + uid;
    if (usableTopDirTrash(own))
        return own;
    return std::nullopt;
}

TrashResult moveToTrash(const QString &given)
{
    const QString path = standardized(given);
    struct stat st;
    if (::lstat(native(path).constData(), &st) != 0)
        return {std::nullopt, errorText(errno)};
    int err = 0;
    const std::optional<TrashPlace> place = placeFor(realPathOf(path), st.st_dev, err);
    if (!place)
        return {std::nullopt, errorText(err)};
    // A copy into the trash first clears entries that interrupted copies left without
    // their file.
    const QString trash = place->folder;
    const auto clearLeftovers = [&trash] {
        DIR *files = ::opendir(native(trash + QStringLiteral("/files")).constData());
        if (!files)
            return;
        // One listing for the whole trash, which may hold thousands; the file is looked for
        // again once its entry is held, as a move may have just put it there.
        const QSet<QByteArray> present = namesIn(files);
        const auto orphan = [&present](const QByteArray &name) {
            const QByteArray item = itemOf(name);
            return !item.isEmpty() && !present.contains(item);
        };
        const auto stillOrphan = [files](const QByteArray &name, int fd) {
            struct stat st;
            const int found = ::fstatat(::dirfd(files), itemOf(name).constData(), &st, AT_SYMLINK_NOFOLLOW);
            return found != 0 && errno == ENOENT && ours(fd);
        };
        removeLeftovers(trash + QStringLiteral("/info"), orphan, stillOrphan);
        ::closedir(files);
    };

    const QString name = fileName(path);
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = candidateName(name, n);
        const QString target = trash + QStringLiteral("/files/") + candidate;
        const QString info = trash + QStringLiteral("/info/") + candidate + QLatin1String(infoSuffix);
        if (existsAt(target))
            continue;
        const int held = createInfo(info, place->infoPath, err);
        if (held < 0 && err == EEXIST)
            continue;
        if (held < 0)
            return {std::nullopt, errorText(err)};
        const std::optional<QString> failure = moveFile(path, target, clearLeftovers);
        if (failure)
            ::unlink(native(info).constData());
        ::close(held);
        if (!failure)
            return {target, std::nullopt};
        if (existsAt(target) && existsAt(path))
            continue; // the name was taken meanwhile
        return {std::nullopt, *failure};
    }
    return {std::nullopt, errorText(EEXIST)};
}

std::optional<QString> trashInfoFor(const QString &location)
{
    const QString files = parentPath(location);
    if (fileName(files) != u"files")
        return std::nullopt;
    const QString trash = parentPath(files);
    const QString info = trash + QStringLiteral("/info/") + fileName(location) + QLatin1String(infoSuffix);
    if (!isRegularFile(info))
        return std::nullopt;
    return info;
}

} // namespace vidorra
