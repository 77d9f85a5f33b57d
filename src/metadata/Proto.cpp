#include "metadata/Proto.h"

#include <cstring>

namespace vidorra {

namespace {

// Walks one message level in place, without copying payloads. Each step yields the
// field number, the wire type and either the varint value or the payload span.
class FieldCursor {
public:
    FieldCursor(const char *data, qsizetype size) : p(reinterpret_cast<const uchar *>(data)), end(p + size) {}

    struct Field {
        qint64 number = 0;
        int wireType = 0;
        quint64 varint = 0;       // wire type 0
        double number64 = 0.0;    // wire types 1 and 5
        const char *payload = nullptr; // wire type 2
        qsizetype length = 0;
    };

    bool atEnd() const { return p == end; }

    // Reads the next field; false when the level is malformed from here on.
    bool next(Field &f)
    {
        quint64 key = 0;
        if (!varint(key) || key < 8 || (key & 7) > 5)
            return false;
        f.number = qint64(key >> 3);
        f.wireType = int(key & 7);
        switch (f.wireType) {
        case 0:
            return varint(f.varint);
        case 1: {
            if (end - p < 8)
                return false;
            quint64 bits = 0;
            for (int i = 7; i >= 0; --i)
                bits = (bits << 8) | p[i];
            std::memcpy(&f.number64, &bits, 8);
            p += 8;
            return true;
        }
        case 5: {
            if (end - p < 4)
                return false;
            quint32 bits = quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
            float single;
            std::memcpy(&single, &bits, 4);
            f.number64 = double(single);
            p += 4;
            return true;
        }
        case 2: {
            quint64 length = 0;
            if (!varint(length) || length > quint64(end - p))
                return false;
            f.payload = reinterpret_cast<const char *>(p);
            f.length = qsizetype(length);
            p += length;
            return true;
        }
        default: // groups (3, 4) are not supported
            return false;
        }
    }

private:
    // Up to ten bytes, seven bits each; bits beyond 63 are dropped.
    bool varint(quint64 &value)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (p == end)
                return false;
            const uchar byte = *p++;
            value |= quint64(byte & 0x7f) << shift;
            if (byte < 0x80)
                return true;
        }
        return false;
    }

    const uchar *p;
    const uchar *end;
};

PB toPB(const FieldCursor::Field &f)
{
    switch (f.wireType) {
    case 0: return PB{f.varint};
    case 2: return PB{QByteArray(f.payload, f.length)};
    default: return PB{f.number64};
    }
}

// A level is usable only when every field in it is well formed.
bool wellFormed(const char *data, qsizetype size, bool &empty)
{
    FieldCursor cursor(data, size);
    FieldCursor::Field f;
    empty = cursor.atEnd();
    while (!cursor.atEnd())
        if (!cursor.next(f))
            return false;
    return true;
}

std::optional<PB> lookup(const char *data, qsizetype size, const qint64 *path, qsizetype depth)
{
    bool empty = true;
    if (depth == 0 || !wellFormed(data, size, empty) || empty)
        return std::nullopt;
    FieldCursor cursor(data, size);
    FieldCursor::Field f;
    while (!cursor.atEnd() && cursor.next(f)) {
        if (f.number != path[0])
            continue;
        if (depth == 1)
            return toPB(f);
        // A repeated message field: take the first occurrence that holds the rest.
        if (f.wireType == 2)
            if (auto found = lookup(f.payload, f.length, path + 1, depth - 1))
                return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<ProtoFields> parseProto(const QByteArray &bytes)
{
    ProtoFields fields;
    FieldCursor cursor(bytes.constData(), bytes.size());
    FieldCursor::Field f;
    while (!cursor.atEnd()) {
        if (!cursor.next(f))
            return std::nullopt;
        fields.append({f.number, toPB(f)});
    }
    return fields;
}

std::optional<PB> pbValue(const QByteArray &bytes, const QList<qint64> &path)
{
    return lookup(bytes.constData(), bytes.size(), path.constData(), path.size());
}

double pbDouble(const QByteArray &bytes, const QList<qint64> &path)
{
    const auto v = pbValue(bytes, path);
    if (!v)
        return 0.0;
    if (const auto *i = std::get_if<quint64>(&v->value))
        return double(*i);
    if (const auto *d = std::get_if<double>(&v->value))
        return *d;
    return 0.0;
}

qint64 pbInt(const QByteArray &bytes, const QList<qint64> &path)
{
    const auto v = pbValue(bytes, path);
    if (!v)
        return 0;
    if (const auto *i = std::get_if<quint64>(&v->value))
        return qint64(*i); // same bits, two's complement
    return 0;
}

QString pbString(const QByteArray &bytes, const QList<qint64> &path)
{
    const auto v = pbValue(bytes, path);
    if (!v)
        return {};
    if (const auto *b = std::get_if<QByteArray>(&v->value))
        return QString::fromUtf8(*b);
    return {};
}

} // namespace vidorra
