#include "metadata/PositionedReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

[[noreturn]] void fail(const char *what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// A negative offset or count, or one past the end, reads nothing rather than failing:
// box sizes in a damaged file may point anywhere.
qint64 clampedCount(qint64 offset, qint64 count, qint64 size)
{
    if (offset < 0 || count <= 0 || offset >= size)
        return 0;
    return std::min(count, size - offset);
}

} // namespace

ClipFile::ClipFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking so that a FIFO named like a clip cannot hang us; it reads as empty.
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
}

ClipFile::~ClipFile()
{
    if (fd >= 0)
        ::close(fd);
}

qint64 ClipFile::size()
{
    if (fd < 0)
        throw std::runtime_error("file not open");
    if (knownSize < 0) {
        struct stat st;
        if (::fstat(fd, &st) != 0)
            fail("fstat");
        // Only regular files have a meaningful length; anything else reads as empty.
        knownSize = S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
    }
    return knownSize;
}

QByteArray ClipFile::readAt(qint64 offset, qint64 count)
{
    count = clampedCount(offset, count, size());
    QByteArray out(count, Qt::Uninitialized);
    out.truncate(readInto(offset, out.data(), count));
    return out;
}

qint64 ClipFile::readInto(qint64 offset, char *buffer, qint64 count)
{
    count = clampedCount(offset, count, size());
    qint64 got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, buffer + got, size_t(count - got), off_t(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("pread");
        }
        account(n);
        if (n == 0)
            break; // the file shrank since we measured it
        got += n;
    }
    return got;
}

qint64 QFileReader::size()
{
    const qint64 end = file.size();
    if (end < 0)
        throw std::runtime_error("cannot measure the file");
    return end;
}

QByteArray QFileReader::readAt(qint64 offset, qint64 count)
{
    count = clampedCount(offset, count, size());
    if (count == 0)
        return {};
    if (!file.seek(offset))
        throw std::runtime_error(file.errorString().toStdString());
    QByteArray out(count, Qt::Uninitialized);
    const qint64 n = file.read(out.data(), count);
    if (n < 0)
        throw std::runtime_error(file.errorString().toStdString());
    account(n);
    out.truncate(n);
    return out;
}

QByteArray MemoryReader::readAt(qint64 offset, qint64 count)
{
    count = clampedCount(offset, count, bytes.size());
    account(count);
    return count == 0 ? QByteArray() : bytes.mid(offset, count);
}

} // namespace vidorra
