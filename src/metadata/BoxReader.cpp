#include "metadata/BoxReader.h"

#include "metadata/BoxWalk.h"
#include "metadata/PositionedReader.h"

#include <stdexcept>

namespace vidorra {

namespace {

constexpr quint64 moovLimit = 255'999'999;

quint32 be32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

ClipInfo zeroRecord()
{
    ClipInfo info;
    info.recognized = false;
    return info;
}

} // namespace

// Out-of-range offsets read as zeros rather than past the buffer.
quint32 u32(const QByteArray &data, qint64 offset)
{
    if (offset < 0 || offset > data.size() - 4)
        return 0;
    return be32(reinterpret_cast<const uchar *>(data.constData()) + offset);
}

quint64 u64(const QByteArray &data, qint64 offset)
{
    return quint64(u32(data, offset)) << 32 | u32(data, offset + 4);
}

QString tag(const QByteArray &data, qint64 offset)
{
    if (offset < 0 || offset > data.size() - 4)
        return {};
    return QString::fromUtf8(data.constData() + offset, 4);
}

QList<Box> boxes(const QByteArray &data, qint64 from, qint64 to)
{
    QList<Box> list;
    walkBoxes(data, from, to, [&](const char *type, qint64 start, qint64 end) {
        list.append(Box{QString::fromUtf8(type, 4), start, end});
        return true;
    });
    return list;
}

std::optional<ByteRange> child(const QByteArray &data, ByteRange range, const QString &type)
{
    const QByteArray wanted = type.toUtf8();
    if (wanted.size() == 4 && type.size() == 4)
        return findChild(data, range, wanted.constData());
    // Types that do not encode to four bytes can only match a decoded replacement.
    for (const Box &box : boxes(data, range.start, range.end))
        if (box.type == type)
            return box.range();
    return std::nullopt;
}

std::optional<QByteArray> readMoov(PositionedReader &in)
{
    const qint64 fileSize = in.size();
    if (fileSize < 8)
        return std::nullopt;
    qint64 off = 0;
    quint64 size = 0;
    qint64 header = 8;
    for (;;) {
        char head[16];
        const qint64 got = in.readInto(off, head, 16);
        if (got < 8)
            return std::nullopt;
        const auto *h = reinterpret_cast<const uchar *>(head);
        const quint32 size32 = be32(h);
        const quint64 room = quint64(fileSize - off);
        if (size32 == 0) {
            size = room;
            header = 8;
            if (size < 8)
                return std::nullopt;
        } else if (size32 == 1) {
            if (got != 16)
                return std::nullopt;
            size = quint64(be32(h + 8)) << 32 | be32(h + 12);
            header = 16;
            if (size < 16)
                return std::nullopt;
        } else {
            if (size32 < 8)
                return std::nullopt;
            size = size32;
            header = 8;
        }
        if (size > room)
            return std::nullopt;
        if (std::memcmp(h + 4, "moov", 4) == 0)
            break;
        off += qint64(size);
        if (off + 8 > fileSize)
            return std::nullopt;
    }
    if (size > moovLimit)
        return std::nullopt;
    return in.readAt(off + header, qint64(size) - header);
}

std::optional<QByteArray> readMoov(QFile &file)
{
    QFileReader reader(file);
    return readMoov(reader);
}

double mediaDuration(const QByteArray &data, ByteRange mdia)
{
    const auto h = findChild(data, mdia, "mdhd");
    if (!h || length(*h) < 1)
        return 0.0;
    quint64 timescale = 0;
    quint64 duration = 0;
    if (quint8(data.at(h->start)) == 1) {
        if (length(*h) < 32)
            return 0.0;
        timescale = u32(data, h->start + 20);
        duration = u64(data, h->start + 24);
    } else {
        if (length(*h) < 20)
            return 0.0;
        timescale = u32(data, h->start + 12);
        duration = u32(data, h->start + 16);
    }
    if (timescale < 1)
        return 0.0;
    return double(duration) / double(timescale);
}

ClipInfo readBasic(PositionedReader &in)
{
    std::optional<QByteArray> moov;
    try {
        moov = readMoov(in);
    } catch (const std::exception &) {
        return zeroRecord();
    }
    if (!moov)
        return zeroRecord();
    const QByteArray &data = *moov;

    std::optional<ByteRange> trak, mdia;
    walkBoxes(data, 0, data.size(), [&](const char *type, qint64 start, qint64 end) {
        if (std::memcmp(type, "trak", 4) != 0)
            return true;
        const auto m = findChild(data, ByteRange{start, end}, "mdia");
        const auto hdlr = findChild(data, m, "hdlr");
        if (!hdlr || length(*hdlr) < 12 || std::memcmp(data.constData() + hdlr->start + 8, "vide", 4) != 0)
            return true;
        trak = ByteRange{start, end};
        mdia = m;
        return false;
    });
    if (!trak)
        return zeroRecord();

    ClipInfo info = zeroRecord();
    info.duration = mediaDuration(data, *mdia);

    // The last two fields of either tkhd version are 16.16 width and height.
    if (const auto tkhd = findChild(data, *trak, "tkhd"); tkhd && length(*tkhd) >= 84) {
        info.width = u32(data, tkhd->end - 8) >> 16;
        info.height = u32(data, tkhd->end - 4) >> 16;
    }

    double rate = 0.0;
    if (info.duration > 0) {
        const auto stts = findChild(data, findChild(data, findChild(data, mdia, "minf"), "stbl"), "stts");
        if (stts && length(*stts) >= 8) {
            const quint64 entries = u32(data, stts->start + 4);
            const quint64 n = std::min<quint64>(quint64(length(*stts) - 8) / 8, entries);
            quint64 total = 0;
            for (quint64 i = 0; i < n; ++i)
                total += u32(data, stts->start + 8 + 8 * qint64(i));
            if (n >= 1)
                rate = double(total) / info.duration;
        }
    }
    info.captureFPS = info.playbackFPS = rate;
    return info;
}

ClipInfo readBasic(const QString &path)
{
    ClipFile file(path);
    if (!file.isOpen())
        return zeroRecord();
    return readBasic(file);
}

std::optional<QByteArray> readCoverData(PositionedReader &in)
{
    std::optional<QByteArray> moov;
    try {
        moov = readMoov(in);
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (!moov)
        return std::nullopt;
    const QByteArray &data = *moov;
    const auto meta = findChild(data, findChild(data, ByteRange{0, data.size()}, "udta"), "meta");
    if (!meta)
        return std::nullopt;
    // The meta payload normally starts with version and flags; some writers omit them.
    auto ilst = findChild(data, ByteRange{meta->start + 4, meta->end}, "ilst");
    if (!ilst)
        ilst = findChild(data, *meta, "ilst");
    const auto picture = findChild(data, findChild(data, ilst, "covr"), "data");
    if (!picture || picture->start + 8 >= picture->end)
        return std::nullopt;
    return data.mid(picture->start + 8, picture->end - picture->start - 8);
}

std::optional<QByteArray> readCoverData(const QString &path)
{
    ClipFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    return readCoverData(file);
}

} // namespace vidorra
