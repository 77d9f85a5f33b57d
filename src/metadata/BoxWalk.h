#pragma once
// The box walk shared by the readers, comparing four-byte types in place so that
// walking a moov allocates nothing.

#include "metadata/BoxReader.h"

#include <cstring>

namespace vidorra {

// Calls visit(type, start, end) for each box in [from, to) in file order, where
// `type` points at the four raw type bytes; a visit returning false ends the walk.
// Stops at the first box that is malformed or overruns the range.
template <class Visit>
void walkBoxes(const QByteArray &data, qint64 from, qint64 to, Visit &&visit)
{
    from = std::max<qint64>(from, 0);
    to = std::min<qint64>(to, data.size());
    if (from > to || to - from < 8)
        return;
    const char *bytes = data.constData();
    qint64 p = from;
    for (;;) {
        const quint32 size32 = u32(data, p);
        quint64 size = size32;
        qint64 header = 8;
        if (size32 == 1) {
            if (to - p < 16)
                return;
            size = u64(data, p + 8);
            if (size < 16)
                return;
            header = 16;
        } else if (size32 == 0) {
            size = quint64(to - p);
        } else if (size32 < 8) {
            return;
        }
        if (size > quint64(to - p))
            return;
        if (!visit(bytes + p + 4, p + header, p + qint64(size)))
            return;
        p += qint64(size);
        if (to - p < 8)
            return;
    }
}

// The payload range of the first direct child of the given type, or nothing.
inline std::optional<ByteRange> findChild(const QByteArray &data, ByteRange range, const char *type)
{
    std::optional<ByteRange> found;
    walkBoxes(data, range.start, range.end, [&](const char *t, qint64 start, qint64 end) {
        if (std::memcmp(t, type, 4) != 0)
            return true;
        found = ByteRange{start, end};
        return false;
    });
    return found;
}

inline std::optional<ByteRange> findChild(const QByteArray &data, std::optional<ByteRange> range, const char *type)
{
    return range ? findChild(data, *range, type) : std::nullopt;
}

inline qint64 length(ByteRange r) { return r.end - r.start; }

} // namespace vidorra
