#include "Trash.h"

#include "Paths.h"
#include "SafeMove.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

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

// 0, or the errno value that keeps the folder from being there.
int ensureFolder(const QString &path)
{
    if (::mkdir(native(path).constData(), 0700) == 0)
        return 0;
    const int err = errno;
    struct stat st;
    if (err != EEXIST)
        return err;
    // A link or a file in the trash's place is not a trash.
    return ::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int ensureTrash(const QString &trash)
{
    QString parent = parentPath(trash);
    if (!existsAt(parent) && makeFolders(parent).has_value())
        return isDirectory(parent) ? EACCES : ENOTDIR;
    int err = ensureFolder(trash);
    if (!err)
        err = ensureFolder(trash + QStringLiteral("/files"));
    if (!err)
        err = ensureFolder(trash + QStringLiteral("/info"));
    return err;
}

struct TrashPlace {
    QString folder;    // the trash folder holding files/ and info/
    QString infoPath;  // the Path value: absolute, or relative to the top folder
};

// The home trash for files on its file system; else the top folder's .Trash-$uid,
// and the home trash again (reached by copying) when that cannot be made.
std::optional<TrashPlace> placeFor(const QString &path, const struct stat &st, int &err)
{
    const QString home = homeTrash();
    if (deviceOf(home) != st.st_dev) {
        const QString top = topDirOf(path, st.st_dev);
        const QString trash = (top == u"/" ? QString() : top) + QStringLiteral("/.Trash-%1").arg(::getuid());
        if (!ensureTrash(trash)) {
            QString relative = path.mid(top.size());
            while (relative.startsWith(u'/'))
                relative.remove(0, 1);
            return TrashPlace{trash, relative};
        }
    }
    err = ensureTrash(home);
    if (!err)
        return TrashPlace{home, path};
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

// Creates the .trashinfo exclusively, which reserves the name in the trash.
int writeInfo(const QString &infoFile, const QString &pathValue)
{
    const int fd = ::open(native(infoFile).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    const QByteArray text = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(pathValue, "/")
        + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + "\n";
    int err = 0;
    if (::write(fd, text.constData(), text.size()) != text.size())
        err = errno ? errno : EIO;
    if (!err && ::fsync(fd) != 0)
        err = errno;
    ::close(fd);
    if (err)
        ::unlink(native(infoFile).constData());
    return err;
}

} // namespace

QString homeTrash()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return standardized(data + QStringLiteral("/Trash"));
}

TrashResult moveToTrash(const QString &given)
{
    const QString path = standardized(given);
    struct stat st;
    if (::lstat(native(path).constData(), &st) != 0)
        return {std::nullopt, errorText(errno)};
    int err = 0;
    const std::optional<TrashPlace> place = placeFor(path, st, err);
    if (!place)
        return {std::nullopt, errorText(err)};

    const QString name = fileName(path);
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = candidateName(name, n);
        const QString target = place->folder + QStringLiteral("/files/") + candidate;
        const QString info = place->folder + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        if (existsAt(target))
            continue;
        const int err = writeInfo(info, place->infoPath);
        if (err == EEXIST)
            continue;
        if (err)
            return {std::nullopt, errorText(err)};
        if (const auto failure = moveFile(path, target)) {
            ::unlink(native(info).constData());
            if (existsAt(target) && existsAt(path))
                continue; // the name was taken meanwhile
            return {std::nullopt, *failure};
        }
        return {target, std::nullopt};
    }
    return {std::nullopt, errorText(EEXIST)};
}

std::optional<QString> trashInfoFor(const QString &location)
{
    const QString files = parentPath(location);
    if (fileName(files) != u"files")
        return std::nullopt;
    const QString trash = parentPath(files);
    const QString info = trash + QStringLiteral("/info/") + fileName(location) + QStringLiteral(".trashinfo");
    if (!isRegularFile(info))
        return std::nullopt;
    return info;
}

} // namespace vidorra
