#include "SafeMove.h"

#include "Paths.h"

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

int injected(MoveStep step, const QString &from, const QString &to)
{
    MoveFault fault;
    {
        std::lock_guard guard(faultLock);
        fault = currentFault;
    }
    return fault ? fault(step, from, to) : 0;
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

void syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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

// Copies the file's bytes, mode and times into `temp` (created exclusively) and
// flushes it. Returns 0 or an errno value; the caller removes `temp` on failure.
int copyInto(int in, const struct stat &st, const QString &from, const QString &temp, const QString &to)
{
    const int out = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0)
        return errno;
    static constexpr ssize_t chunk = 1 << 20;
    QByteArray buffer(chunk, Qt::Uninitialized);
    int err = 0;
    for (;;) {
        if ((err = injected(MoveStep::CopyChunk, from, to)))
            break;
        const ssize_t n = ::read(in, buffer.data(), chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        if (n == 0)
            break;
        if ((err = writeAll(out, buffer.constData(), n)))
            break;
    }
    if (!err) {
        ::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        err = injected(MoveStep::Flush, from, to);
        if (!err && ::fsync(out) != 0)
            err = errno;
    }
    if (::close(out) != 0 && !err)
        err = errno;
    return err;
}

// Across file systems: a complete, flushed copy under a hidden temporary name in the
// target folder, put in place without replacing, and only then the original removed.
int copyAcross(const QString &from, const QString &to)
{
    struct stat st;
    if (::lstat(native(from).constData(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EXDEV; // folders and links are not copied
    const int in = ::open(native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;

    const QString folder = parentPath(to);
    QString temp;
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        temp = folder + QStringLiteral("/.vidorra-%1.part")
                            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        err = copyInto(in, st, from, temp, to);
        if (err && err != EEXIST)
            ::unlink(native(temp).constData());
        if (err == EEXIST)
            ::lseek(in, 0, SEEK_SET);
    }
    ::close(in);
    if (err)
        return err;

    err = injected(MoveStep::Place, from, to);
    if (!err)
        err = placeNoReplace(temp, to);
    if (err) {
        ::unlink(native(temp).constData());
        return err;
    }
    syncFolder(folder);

    err = injected(MoveStep::Unlink, from, to);
    if (!err && ::unlink(native(from).constData()) != 0)
        err = errno;
    if (err) {
        // The original must stay the only copy: take ours away again.
        ::unlink(native(to).constData());
        return err;
    }
    return 0;
}

} // namespace

QString errorText(int errnum)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in `buffer`.
    return QString::fromLocal8Bit(::strerror_r(errnum, buffer, sizeof buffer));
}

std::optional<QString> moveFile(const QString &from, const QString &to)
{
    int err = injected(MoveStep::Rename, from, to);
    if (err != EXDEV)
        err = placeNoReplace(from, to, err);
    if (err == EXDEV)
        err = copyAcross(from, to);
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

} // namespace vidorra
