#include "library/Leftovers.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

void holdWhileMoving(int fd)
{
    // Where locks are not offered the cleaner cannot take one either, and leaves the file.
    ::flock(fd, LOCK_EX | LOCK_NB);
}

void removeLeftovers(const QString &folder, const std::function<bool(const QByteArray &name)> &named,
                     const std::function<bool(const QByteArray &name, int fd)> &isLeftover)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if ((entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) || !named(name))
            continue;
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held, now;
        // Locked only when no move holds it; checked for ours only once locked, so a move
        // that is just starting cannot be mistaken for an interrupted one.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && (!isLeftover || isLeftover(name, fd))
            && ::fstatat(dirFd, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && now.st_dev == held.st_dev && now.st_ino == held.st_ino)
            ::unlinkat(dirFd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace vidorra
