#include "library/SafeMove.h"

#include "library/Leftovers.h"
#include "library/Paths.h"
#include "text/Language.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

std::mutex faultLock;
MoveFault currentFault;
MoveWatch currentWatch;

int injected(MoveStep step, const QString &from, const QString &to)
{
    MoveFault fault;
    {
        std::lock_guard guard(faultLock);
        fault = currentFault;
    }
    return fault ? fault(step, from, to) : 0;
}

int watched(MoveStep step, int result)
{
    MoveWatch watch;
    {
        std::lock_guard guard(faultLock);
        watch = currentWatch;
    }
    return watch ? watch(step, result) : result;
}

QByteArray native(const QString &path) { return QFile::encodeName(path); }

// RENAME_NOREPLACE: the kernel refuses with EEXIST when `to` exists, atomically.
int renameNoReplace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(),
                    RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

// For file systems that refuse the flag: a hard link fails with EEXIST just the same.
int linkThenUnlink(const QString &from, const QString &to)
{
    if (::link(native(from).constData(), native(to).constData()) != 0)
        return errno;
    if (::unlink(native(from).constData()) != 0) {
        const int err = errno;
        ::unlink(native(to).constData());
        return err;
    }
    return 0;
}

// Last resort on file systems without hard links (FAT through FUSE, some network
// shares): claim the name with an exclusive create, then rename over our own empty
// placeholder. Only another program renaming onto the placeholder in that instant
// could be replaced.
int placeholderThenRename(const QString &from, const QString &to)
{
    const int fd = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        const int err = errno;
        ::unlink(native(to).constData());
        return err;
    }
    return 0;
}

// Puts `from` at `to` on one file system without replacing anything. `refused` stands
// for the rename's own answer when a test injected one.
int placeNoReplace(const QString &from, const QString &to, int refused = 0)
{
    int err = refused ? refused : renameNoReplace(from, to);
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
        err = injected(MoveStep::Link, from, to);
        if (!err)
            err = linkThenUnlink(from, to);
        if (err == EPERM || err == EOPNOTSUPP || err == ENOSYS)
            err = placeholderThenRename(from, to);
    }
    return err;
}

// Makes the new entry in `folder` durable. A folder that cannot be opened, or a file
// system that cannot sync folders, has nothing more to offer and counts as done.
int syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int err = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (err == EINVAL || err == EROFS || err == ENOSYS || err == EOPNOTSUPP)
        err = 0;
    return err;
}

int writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

// What identifies a file and tells whether it was written to since.
bool sameState(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

constexpr char partialPrefix[] = ".vidorra-";
constexpr char partialSuffix[] = ".part";

// Our hidden partial copies: ".vidorra-" and 16 hexadecimal digits, then ".part".
bool isPartialName(const QByteArray &name)
{
    const qsizetype prefix = sizeof partialPrefix - 1, suffix = sizeof partialSuffix - 1;
    if (name.size() != prefix + 16 + suffix || !name.startsWith(partialPrefix) || !name.endsWith(partialSuffix))
        return false;
    for (qsizetype i = prefix; i < prefix + 16; ++i) {
        const char c = name.at(i);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// A new partial copy beside the target, held for this move; -1 with `err` set on failure.
int createPartial(const QString &folder, QString &temp, int &err)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + u'/' + QLatin1String(partialPrefix)
            + QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
            + QLatin1String(partialSuffix);
        const int fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            holdWhileMoving(fd);
            return fd;
        }
        if ((err = errno) != EEXIST)
            return -1;
    }
    return -1;
}

// Copies the file's bytes, mode and times into `out` and flushes it. Returns 0 or an
// errno value.
int copyInto(int in, int out, const struct stat &st, const QString &from, const QString &to)
{
    static constexpr ssize_t chunk = 1 << 20;
    QByteArray buffer(chunk, Qt::Uninitialized);
    int err = 0;
    for (;;) {
        if ((err = injected(MoveStep::CopyChunk, from, to)))
            return err;
        const ssize_t n = ::read(in, buffer.data(), chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        if ((err = writeAll(out, buffer.constData(), n)))
            return err;
    }
    ::fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    if ((err = injected(MoveStep::Flush, from, to)))
        return err;
    return watched(MoveStep::Flush, ::fsync(out) == 0 ? 0 : errno);
}

// Stands for "the source changed while it was copied" among errno values.
constexpr int sourceChanged = -1;

// Takes our copy away again, unless something else has taken its name meanwhile.
void removeCopy(const QString &to, const struct stat &copy)
{
    struct stat now;
    if (::lstat(native(to).constData(), &now) == 0 && sameFile(now, copy))
        ::unlink(native(to).constData());
}

// Across file systems: a complete, flushed copy under a hidden partial name in the
// target folder, put in place without replacing and its folder synced; then, only if
// the original is still exactly what was copied, the original removed.
int copyAcross(const QString &from, const QString &to, const std::function<void()> &beforeCopy)
{
    struct stat st;
    if (::lstat(native(from).constData(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EXDEV; // folders and links are not copied
    // The state to compare against is that of what was opened: the path may have
    // changed since the look above.
    const int in = ::open(native(from).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return errno == ELOOP ? EXDEV : errno;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return EXDEV;
    }

    const QString folder = parentPath(to);
    removeLeftovers(folder, isPartialName);
    if (beforeCopy)
        beforeCopy();

    QString temp;
    int err = 0;
    const int out = createPartial(folder, temp, err);
    if (out < 0) {
        ::close(in);
        return err;
    }
    err = copyInto(in, out, st, from, to);
    ::close(in);
    struct stat copy;
    if (!err && ::fstat(out, &copy) != 0)
        err = errno;
    if (!err)
        err = injected(MoveStep::Place, from, to);
    if (!err)
        err = placeNoReplace(temp, to);
    if (err) {
        ::unlink(native(temp).constData());
        ::close(out);
        return err;
    }
    if (::close(out) != 0)
        err = errno; // a late write error, reported only now
    if (!err)
        err = watched(MoveStep::SyncFolder, syncFolder(folder));
    if (!err)
        err = injected(MoveStep::Verify, from, to);
    if (!err) {
        struct stat now;
        if (::lstat(native(from).constData(), &now) != 0) {
            if (errno == ENOENT)
                return 0; // gone meanwhile: the copy is the only one left
            err = errno;
        } else if (!sameState(now, st)) {
            err = sourceChanged;
        }
    }
    if (!err)
        err = injected(MoveStep::Unlink, from, to);
    if (!err && ::unlink(native(from).constData()) != 0)
        err = errno == ENOENT ? 0 : errno; // gone meanwhile: the copy is the only one left
    if (err)
        removeCopy(to, copy); // the original must stay the only copy
    return err;
}

} // namespace

QString errorText(int errnum)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in `buffer`.
    return QString::fromLocal8Bit(::strerror_r(errnum, buffer, sizeof buffer));
}

std::optional<QString> moveFile(const QString &from, const QString &to, const std::function<void()> &beforeCopy)
{
    int err = injected(MoveStep::Rename, from, to);
    if (err != EXDEV)
        err = placeNoReplace(from, to, err);
    if (err == EXDEV)
        err = copyAcross(from, to, beforeCopy);
    if (err == sourceChanged)
        return L("changed while being moved");
    if (err)
        return errorText(err);
    return std::nullopt;
}

std::optional<QString> makeFolders(const QString &path, QStringList *created)
{
    const QString clean = standardized(path);
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString prefix;
    for (const QString &part : parts) {
        prefix += u'/' + part;
        const QByteArray name = native(prefix);
        if (::mkdir(name.constData(), 0777) == 0) {
            if (created)
                *created << prefix;
            continue;
        }
        const int err = errno;
        struct stat st;
        if (::stat(name.constData(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                continue;
            return errorText(ENOTDIR);
        }
        return errorText(err);
    }
    return std::nullopt;
}

void setMoveFault(MoveFault fault)
{
    std::lock_guard guard(faultLock);
    currentFault = std::move(fault);
}

void setMoveWatch(MoveWatch watch)
{
    std::lock_guard guard(faultLock);
    currentWatch = std::move(watch);
}

} // namespace vidorra
