#pragma once
// Positioned reading of a clip file: the only way the readers touch the disk. Every
// read says where it starts, so hopping over gigabytes of media data costs nothing,
// and the bytes and calls are counted so that tests and benchmarks can see them.

#include <QByteArray>
#include <QString>

#include <algorithm>

class QFile;

namespace vidorra {

class PositionedReader {
public:
    virtual ~PositionedReader() = default;
    // The length of the source in bytes. Throws std::runtime_error on failure.
    virtual qint64 size() = 0;
    // Up to `count` bytes from `offset`; fewer at the end, none past it.
    // Throws std::runtime_error when the read fails.
    virtual QByteArray readAt(qint64 offset, qint64 count) = 0;
    // The same into a caller's buffer (no allocation for small header reads);
    // returns the number of bytes read.
    virtual qint64 readInto(qint64 offset, char *buffer, qint64 count)
    {
        const QByteArray bytes = readAt(offset, count);
        std::copy(bytes.cbegin(), bytes.cend(), buffer);
        return bytes.size();
    }

    qint64 bytesRead() const { return readBytes; }
    qint64 readCalls() const { return calls; }

protected:
    void account(qint64 bytes) { readBytes += bytes; ++calls; }

private:
    qint64 readBytes = 0;
    qint64 calls = 0;
};

// A file opened read-only with pread underneath. Closed by the destructor on every
// path; a failing close is ignored.
class ClipFile final : public PositionedReader {
public:
    explicit ClipFile(const QString &path);
    ~ClipFile() override;
    ClipFile(const ClipFile &) = delete;
    ClipFile &operator=(const ClipFile &) = delete;

    bool isOpen() const { return fd >= 0; }
    qint64 size() override;
    QByteArray readAt(qint64 offset, qint64 count) override;
    qint64 readInto(qint64 offset, char *buffer, qint64 count) override;

private:
    int fd = -1;
    qint64 knownSize = -1;
};

// Reads through an already open QFile by seek and read.
class QFileReader final : public PositionedReader {
public:
    explicit QFileReader(QFile &file) : file(file) {}
    qint64 size() override;
    QByteArray readAt(qint64 offset, qint64 count) override;

private:
    QFile &file;
};

// A byte buffer in memory standing in for a file (fuzzing, tests).
class MemoryReader final : public PositionedReader {
public:
    explicit MemoryReader(QByteArray bytes) : bytes(std::move(bytes)) {}
    qint64 size() override { return bytes.size(); }
    QByteArray readAt(qint64 offset, qint64 count) override;

private:
    QByteArray bytes;
};

} // namespace vidorra
