#pragma once
// Reads just enough of an ISO base media file (MP4/MOV): hops over top-level box
// headers to the `moov` box and walks boxes inside it. Never reads media data.

#include "metadata/ClipInfo.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <optional>

namespace vidorra {

class PositionedReader;

// A payload range [start, end) inside an in-memory buffer.
struct ByteRange {
    qint64 start = 0;
    qint64 end = 0;
    bool operator==(const ByteRange &) const = default;
};

// One box: its type and its payload range (after the 8- or 16-byte header).
struct Box {
    QString type;
    qint64 start = 0;
    qint64 end = 0;
    ByteRange range() const { return {start, end}; }
};

// Big-endian readers; the caller checks bounds.
quint32 u32(const QByteArray &data, qint64 offset);
quint64 u64(const QByteArray &data, qint64 offset);
QString tag(const QByteArray &data, qint64 offset);

QList<Box> boxes(const QByteArray &data, qint64 from, qint64 to);
std::optional<ByteRange> child(const QByteArray &data, ByteRange range, const QString &type);

// The payload of the file's top-level `moov`, or nothing. Throws std::runtime_error
// when a seek or read of the file fails.
std::optional<QByteArray> readMoov(QFile &file);
// The same through any positioned reader (a counted file, a buffer in memory).
std::optional<QByteArray> readMoov(PositionedReader &in);

double mediaDuration(const QByteArray &data, ByteRange mdia);
// A basic record from the first video track; never fails (zeros when unreadable).
ClipInfo readBasic(const QString &path);
ClipInfo readBasic(PositionedReader &in);
// The embedded cover picture exactly as stored (encoded bytes).
std::optional<QByteArray> readCoverData(const QString &path);
std::optional<QByteArray> readCoverData(PositionedReader &in);

} // namespace vidorra
