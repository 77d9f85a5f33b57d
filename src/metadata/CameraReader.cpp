#include "metadata/CameraReader.h"

#include "metadata/BoxReader.h"
#include "metadata/BoxWalk.h"
#include "metadata/PositionedReader.h"
#include "metadata/Proto.h"

#include <cmath>
#include <stdexcept>

namespace vidorra {

namespace {

constexpr quint64 sampleLimit = 63'999'999;

struct MetadataTrack {
    ByteRange mdia;
    ByteRange stbl;
    ByteRange stsz;
};

// The first trak whose first sample description has the format "djmd".
std::optional<MetadataTrack> findMetadataTrack(const QByteArray &data)
{
    std::optional<MetadataTrack> found;
    walkBoxes(data, 0, data.size(), [&](const char *type, qint64 start, qint64 end) {
        if (std::memcmp(type, "trak", 4) != 0)
            return true;
        const auto mdia = findChild(data, ByteRange{start, end}, "mdia");
        const auto stbl = findChild(data, findChild(data, mdia, "minf"), "stbl");
        const auto stsd = findChild(data, stbl, "stsd");
        if (!stsd || length(*stsd) < 16 || std::memcmp(data.constData() + stsd->start + 12, "djmd", 4) != 0)
            return true;
        // Version and flags, the common size and the count; the first table entry
        // is needed only when there is no common size (a common-size stsz has no table).
        const auto stsz = findChild(data, stbl, "stsz");
        if (!stsz || length(*stsz) < 12 || (u32(data, stsz->start + 4) == 0 && length(*stsz) < 16))
            return true;
        found = MetadataTrack{*mdia, *stbl, *stsz};
        return false;
    });
    return found;
}

std::optional<quint64> firstChunkOffset(const QByteArray &data, ByteRange stbl)
{
    if (const auto stco = findChild(data, stbl, "stco"); stco && length(*stco) >= 12)
        return u32(data, stco->start + 8);
    if (const auto co64 = findChild(data, stbl, "co64"); co64 && length(*co64) >= 16)
        return u64(data, co64->start + 8);
    return std::nullopt;
}

// Truncated toward zero; a value with no integer meaning (NaN, infinite, beyond
// 64 bits) gives 0 so that it stays out of the labels.
qint64 truncatedISO(double value)
{
    if (!std::isfinite(value) || value <= -9223372036854775808.0 || value >= 9223372036854775808.0)
        return 0;
    return qint64(value);
}

QString decoded(const QByteArray &data, qint64 from, qint64 to)
{
    return QString::fromUtf8(data.constData() + from, to - from);
}

} // namespace

QMap<QString, QString> readDJIKeys(const QByteArray &moov)
{
    QMap<QString, QString> values;
    const auto meta = findChild(moov, ByteRange{0, moov.size()}, "meta");
    if (!meta)
        return values;
    // QuickTime writes meta without version and flags, ISO writers with them.
    qint64 from = meta->start;
    auto keys = findChild(moov, ByteRange{from, meta->end}, "keys");
    if (!keys) {
        from = meta->start + 4;
        keys = findChild(moov, ByteRange{from, meta->end}, "keys");
    }
    if (!keys)
        return values;
    const auto ilst = findChild(moov, ByteRange{from, meta->end}, "ilst");
    if (!ilst || length(*keys) < 8)
        return values;

    QStringList names;
    for (qint64 p = keys->start + 8; keys->end - p >= 8;) {
        const quint32 size = u32(moov, p);
        if (size < 8 || size > quint64(keys->end - p))
            break;
        names.append(decoded(moov, p + 8, p + size));
        p += size;
    }

    for (qint64 p = ilst->start; ilst->end - p >= 8;) {
        const quint32 size = u32(moov, p);
        if (size < 8 || size > quint64(ilst->end - p))
            break;
        // In a key list the item's type field holds the 1-based key number.
        const quint32 index = u32(moov, p + 4);
        if (index >= 1 && index <= quint64(names.size())) {
            const auto data = findChild(moov, ByteRange{p + 8, p + size}, "data");
            if (data && length(*data) >= 8)
                values.insert(names.at(index - 1), decoded(moov, data->start + 8, data->end).trimmed());
        }
        p += size;
    }
    return values;
}

std::optional<ClipInfo> readClip(PositionedReader &in)
{
    try {
        const auto moov = readMoov(in);
        if (!moov)
            return std::nullopt;
        const QByteArray &data = *moov;
        const auto track = findMetadataTrack(data);
        if (!track)
            return std::nullopt;
        const auto offset = firstChunkOffset(data, track->stbl);
        if (!offset || *offset > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        quint64 size = u32(data, track->stsz.start + 4);
        if (size == 0)
            size = u32(data, track->stsz.start + 12);
        if (size < 1 || size > sampleLimit)
            return std::nullopt;
        // A short read of a truncated file is decoded as far as it goes.
        const QByteArray sample = in.readAt(qint64(*offset), qint64(size));
        if (sample.isEmpty())
            return std::nullopt;

        ClipInfo info;
        info.model = pbString(sample, {1, 1, 10});
        info.proto = pbString(sample, {1, 1, 1});
        info.captureFPS = pbDouble(sample, {2, 2, 1, 5});
        info.playbackFPS = pbDouble(sample, {2, 3, 3});
        info.width = pbInt(sample, {2, 3, 1});
        info.height = pbInt(sample, {2, 3, 2});
        info.bitDepth = pbInt(sample, {2, 3, 5});
        info.colorCode = pbInt(sample, {2, 2, 3, 1});
        info.iso = truncatedISO(pbDouble(sample, {3, 2, 9, 1}));

        static const QString gammaKey = QStringLiteral("com.dji.camera.ColorGammaSxS");
        static const QString lensKey = QStringLiteral("com.dji.camera.LensType");
        static const QString kelvinKey = QStringLiteral("com.dji.camera.WhiteBalanceKelvin");
        const QMap<QString, QString> keys = readDJIKeys(data);
        info.gammaText = keys.value(gammaKey);
        info.lens = keys.value(lensKey);
        info.kelvin = keys.value(kelvinKey);
        if (info.kelvin.isEmpty()) {
            const qint64 kelvin = pbInt(sample, {3, 2, 24, 1});
            if (kelvin >= 1)
                info.kelvin = QString::number(kelvin);
        }
        // The metadata track runs as long as the clip.
        info.duration = mediaDuration(data, track->mdia);
        info.recognized = true;
        return info;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<ClipInfo> readClip(const QString &path)
{
    ClipFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    return readClip(file);
}

} // namespace vidorra
