#pragma once
// Big-endian byte appenders and box builders for the fixture writer.

#include <QByteArray>
#include <QtGlobal>

namespace vidorra::fixture::box {

inline void be16(QByteArray &b, quint16 v)
{
    b.append(char(v >> 8)).append(char(v));
}
inline void be32(QByteArray &b, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.append(char(v >> s));
}
inline void be64(QByteArray &b, quint64 v)
{
    for (int s = 56; s >= 0; s -= 8)
        b.append(char(v >> s));
}
inline void zeros(QByteArray &b, int n)
{
    b.append(n, '\0');
}
inline void putBe32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i));
}

// A box with a 32-bit size header.
inline QByteArray make(const char (&type)[5], const QByteArray &payload)
{
    QByteArray b;
    b.reserve(payload.size() + 8);
    be32(b, quint32(payload.size() + 8));
    b.append(type, 4).append(payload);
    return b;
}

// A full box: version and 24-bit flags before the payload.
inline QByteArray full(const char (&type)[5], quint8 version, quint32 flags, const QByteArray &payload)
{
    QByteArray p;
    be32(p, (quint32(version) << 24) | (flags & 0xFFFFFF));
    p.append(payload);
    return make(type, p);
}

} // namespace vidorra::fixture::box
