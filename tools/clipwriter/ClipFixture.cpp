// Lays out a clip file: ftyp, then mdat and moov in the order asked, with the video
// track, the "djmd" metadata track, the QuickTime key list and the cover.
#include "ClipFixture.h"
#include "BoxWriter.h"
#include "VideoEncoder.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace vidorra::fixture {

namespace {

using namespace box;

constexpr quint32 kMovieTimescale = 1000;
constexpr int kPlaceholderSampleSize = 16;

quint64 ticks(double seconds, quint32 timescale)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return 0;
    return quint64(std::llround(seconds * timescale));
}

int frameCount(const ClipSpec &spec)
{
    const double n = spec.duration * spec.fps;
    if (!(spec.duration > 0) || !(spec.fps > 0) || !std::isfinite(n))
        return 0;
    // Placeholder samples cost 16 bytes each; past this a description is a mistake.
    constexpr double kMaxFrames = 1 << 24;
    return int(std::llround(std::min(n, kMaxFrames)));
}

// The 3x3 display matrix of tkhd for a clockwise rotation (16.16, last column 2.30).
QByteArray matrix(int rotation, qint64 width, qint64 height)
{
    qint32 a = 0x10000, b = 0, c = 0, d = 0x10000, tx = 0, ty = 0;
    switch (((rotation % 360) + 360) % 360) {
    case 90: a = 0; b = 0x10000; c = -0x10000; d = 0; tx = qint32(height << 16); break;
    case 180: a = -0x10000; d = -0x10000; tx = qint32(width << 16); ty = qint32(height << 16); break;
    case 270: a = 0; b = -0x10000; c = 0x10000; d = 0; ty = qint32(width << 16); break;
    default: break;
    }
    QByteArray m;
    for (qint32 v : {a, b, 0, c, d, 0, tx, ty, 0x40000000})
        be32(m, quint32(v));
    return m;
}

QByteArray tkhd(int version, quint32 trackId, quint64 duration, int rotation, qint64 width, qint64 height,
                bool enabled)
{
    QByteArray p;
    if (version == 1) {
        be64(p, 0); be64(p, 0); be32(p, trackId); be32(p, 0); be64(p, duration);
    } else {
        be32(p, 0); be32(p, 0); be32(p, trackId); be32(p, 0); be32(p, quint32(duration));
    }
    zeros(p, 8);             // reserved
    be16(p, 0); be16(p, 0);  // layer, alternate group
    be16(p, 0); be16(p, 0);  // volume, reserved
    p.append(matrix(rotation, width, height));
    be32(p, quint32(width << 16));
    be32(p, quint32(height << 16));
    return full("tkhd", quint8(version == 1 ? 1 : 0), enabled ? 3 : 0, p);
}

QByteArray mdhd(int version, quint32 timescale, quint64 duration)
{
    QByteArray p;
    if (version == 1) {
        be64(p, 0); be64(p, 0); be32(p, timescale); be64(p, duration);
    } else {
        be32(p, 0); be32(p, 0); be32(p, timescale); be32(p, quint32(duration));
    }
    be16(p, 0x55C4);  // "und"
    be16(p, 0);
    return full("mdhd", quint8(version == 1 ? 1 : 0), 0, p);
}

QByteArray hdlr(const char (&handler)[5], const QByteArray &name)
{
    QByteArray p;
    be32(p, 0);
    p.append(handler, 4);
    zeros(p, 12);
    p.append(name).append('\0');
    return full("hdlr", 0, 0, p);
}

QByteArray dinf()
{
    QByteArray dref;
    be32(dref, 1);
    dref.append(full("url ", 0, 1, {}));
    return make("dinf", full("dref", 0, 0, dref));
}

// What one track's sample table says about where its samples lie.
struct Samples {
    QByteArray entry;              // the stsd entry box
    quint32 count = 0;
    quint32 delta = 0;             // stts duration of every sample
    quint32 commonSize = 0;        // non-zero: stsz common size
    QList<quint32> sizes;          // else one size per sample
    QList<quint32> syncSamples;    // stss, empty for none
    quint64 chunkOffset = 0;       // all samples in one chunk
    bool co64 = false;
    bool shortStcoBeforeCo64 = false;
};

QByteArray stbl(const Samples &s)
{
    QByteArray stsd;
    be32(stsd, 1);
    stsd.append(s.entry);
    QByteArray stts;
    if (s.count > 0) {
        be32(stts, 1); be32(stts, s.count); be32(stts, s.delta);
    } else {
        be32(stts, 0);
    }
    QByteArray stsc;
    if (s.count > 0) {
        be32(stsc, 1); be32(stsc, 1); be32(stsc, s.count); be32(stsc, 1);
    } else {
        be32(stsc, 0);
    }
    QByteArray stsz;
    be32(stsz, s.commonSize);
    be32(stsz, s.count);
    if (s.commonSize == 0)
        for (quint32 size : s.sizes)
            be32(stsz, size);

    QByteArray out = full("stsd", 0, 0, stsd) + full("stts", 0, 0, stts) + full("stsc", 0, 0, stsc)
        + full("stsz", 0, 0, stsz);
    if (!s.syncSamples.isEmpty()) {
        QByteArray stss;
        be32(stss, quint32(s.syncSamples.size()));
        for (quint32 n : s.syncSamples)
            be32(stss, n);
        out += full("stss", 0, 0, stss);
    }
    const quint32 chunks = s.count > 0 ? 1 : 0;
    if (s.shortStcoBeforeCo64) {
        QByteArray shortStco;
        be32(shortStco, 1);  // claims an entry it does not hold
        out += full("stco", 0, 0, shortStco);
    }
    if (s.co64 || s.shortStcoBeforeCo64) {
        QByteArray co64;
        be32(co64, chunks);
        if (chunks)
            be64(co64, s.chunkOffset);
        out += full("co64", 0, 0, co64);
    } else {
        QByteArray stco;
        be32(stco, chunks);
        if (chunks)
            be32(stco, quint32(s.chunkOffset));
        out += full("stco", 0, 0, stco);
    }
    return make("stbl", out);
}

QByteArray videoSampleEntry(qint64 width, qint64 height)
{
    QByteArray p;
    zeros(p, 6);
    be16(p, 1);                  // data reference index
    zeros(p, 16);                // pre-defined and reserved
    be16(p, quint16(width));
    be16(p, quint16(height));
    be32(p, 0x00480000);         // 72 dpi
    be32(p, 0x00480000);
    be32(p, 0);
    be16(p, 1);                  // frames per sample
    zeros(p, 32);                // compressor name
    be16(p, 0x0018);
    be16(p, 0xFFFF);
    return make("avc1", p);
}

QByteArray djmdSampleEntry()
{
    QByteArray p;
    zeros(p, 6);
    be16(p, 1);
    return make("djmd", p);
}

struct Track {
    quint32 id;
    int tkhdVersion, mediaHeaderVersion;
    quint32 timescale;
    double duration;
    int rotation;
    qint64 width, height;
    bool video;
};

QByteArray trak(const Track &t, const Samples &samples)
{
    const QByteArray header = t.video ? full("vmhd", 0, 1, QByteArray(8, '\0')) : full("nmhd", 0, 0, {});
    const QByteArray minf = make("minf", header + dinf() + stbl(samples));
    const QByteArray mdia = make("mdia", mdhd(t.mediaHeaderVersion, t.timescale, ticks(t.duration, t.timescale))
                                             + (t.video ? hdlr("vide", "VideoHandler") : hdlr("meta", "DJI meta"))
                                             + minf);
    return make("trak", tkhd(t.tkhdVersion, t.id, ticks(t.duration, kMovieTimescale), t.rotation, t.width,
                             t.height, t.video)
                            + mdia);
}

QByteArray mvhd(double duration, quint32 nextTrack)
{
    QByteArray p;
    be32(p, 0); be32(p, 0);
    be32(p, kMovieTimescale);
    be32(p, quint32(ticks(duration, kMovieTimescale)));
    be32(p, 0x00010000);        // rate 1.0
    be16(p, 0x0100);            // volume 1.0
    zeros(p, 10);
    p.append(matrix(0, 0, 0));
    zeros(p, 24);
    be32(p, nextTrack);
    return full("mvhd", 0, 0, p);
}

QByteArray dataBox(quint32 type, const QByteArray &value)
{
    QByteArray p;
    be32(p, type);
    be32(p, 0);  // locale
    p.append(value);
    return make("data", p);
}

QByteArray keyList(const ClipSpec &spec)
{
    if (spec.keys.isEmpty() && spec.extraKeyItems.isEmpty())
        return {};
    QByteArray keys;
    be32(keys, quint32(spec.keys.size()));
    QByteArray ilst;
    quint32 index = 0;
    for (const auto &[name, value] : spec.keys) {
        QByteArray entry;
        entry.append("mdta", 4).append(name.toUtf8());
        QByteArray k;
        be32(k, quint32(entry.size() + 4));
        keys.append(k).append(entry);
        ++index;
        QByteArray item;
        const QByteArray data = dataBox(1, value.toUtf8());
        be32(item, quint32(data.size() + 8));
        be32(item, index);
        ilst.append(item).append(data);
    }
    for (const auto &[itemIndex, value] : spec.extraKeyItems) {
        QByteArray item;
        const QByteArray data = dataBox(1, value.toUtf8());
        be32(item, quint32(data.size() + 8));
        be32(item, itemIndex);
        ilst.append(item).append(data);
    }
    QByteArray meta;
    if (spec.keysWithVersionFlags)
        be32(meta, 0);
    meta += hdlr("mdta", {}) + full("keys", 0, 0, keys) + make("ilst", ilst);
    return make("meta", meta);
}

QByteArray coverBox(const ClipSpec &spec)
{
    if (!spec.cover)
        return {};
    const bool png = spec.cover->startsWith("\x89PNG");
    const QByteArray ilst = make("ilst", make("covr", dataBox(png ? 14 : 13, *spec.cover)));
    QByteArray meta;
    if (spec.coverMetaWithVersionFlags)
        be32(meta, 0);
    meta += hdlr("mdir", {}) + ilst;
    return make("udta", make("meta", meta));
}

QByteArray ftyp()
{
    QByteArray p("isom", 4);
    be32(p, 0x200);
    p.append("isomiso2avc1mp41", 16);
    return make("ftyp", p);
}

// Everything but the hole: the bytes before it and after it.
struct Built {
    QByteArray head, tail;
    ClipLayout layout;
    bool failed = false;    // the video asked for could not be encoded
};

Built build(const ClipSpec &spec, qint64 hole)
{
    hole = qMax<qint64>(0, hole);
    std::shared_ptr<const EncodedVideo> encoded = spec.videoTrack ? spec.encodedVideo : nullptr;
    const int frames = !spec.videoTrack ? 0 : encoded ? int(encoded->samples.size()) : frameCount(spec);
    const qint64 vw = spec.videoWidth > 0 ? spec.videoWidth : spec.width;
    const qint64 vh = spec.videoHeight > 0 ? spec.videoHeight : spec.height;

    // Media data: the video samples, then the metadata samples.
    if (!encoded && spec.videoTrack && spec.realVideo && frames > 0) {
        const VideoCodec codec = spec.hevcVideo ? VideoCodec::Hevc10
            : spec.mpeg4Video                   ? VideoCodec::Mpeg4
                                                : VideoCodec::H264;
        encoded = encodeVideo(int(vw), int(vh), spec.fps, frames, codec, spec.scene, spec.sceneFlat);
        // A clip of other video than asked would pass for what it is not.
        if (!encoded && spec.hevcVideo)
            return {{}, {}, {}, true};
    }

    QByteArray media;
    Samples video;
    if (spec.videoTrack) {
        video.count = quint32(frames);
        video.delta = spec.fps > 0 ? quint32(std::llround(spec.timescale / spec.fps)) : 0;
        video.co64 = spec.useCo64;
        if (encoded) {
            video.entry = encoded->sampleEntry;
            for (const QByteArray &s : encoded->samples) {
                video.sizes.append(quint32(s.size()));
                media.append(s);
            }
            video.syncSamples = encoded->syncSamples;
        } else {
            video.entry = videoSampleEntry(vw, vh);
            video.commonSize = frames > 0 ? kPlaceholderSampleSize : 0;
            for (int i = 0; i < frames; ++i) {
                QByteArray s(kPlaceholderSampleSize, char(i));
                putBe32(s, 0, quint32(kPlaceholderSampleSize - 4));
                media.append(s);
            }
        }
    }

    auto metadataSamples = [&](const QByteArray &sample) {
        Samples m;
        m.entry = djmdSampleEntry();
        m.count = 1;
        m.delta = quint32(ticks(spec.duration, spec.timescale));
        const quint32 size = spec.declaredSampleSize.value_or(quint32(sample.size()));
        if (spec.commonSampleSize && size != 0)
            m.commonSize = size;
        else
            m.sizes = {size};
        m.co64 = spec.useCo64;
        m.shortStcoBeforeCo64 = spec.shortStcoBeforeCo64;
        m.chunkOffset = quint64(media.size());  // relative for now
        media.append(sample);
        return m;
    };
    std::optional<Samples> meta1, meta2;
    QByteArray firstSample;
    if (spec.rawSample || spec.camera) {
        firstSample = spec.rawSample ? *spec.rawSample : encodeSample(*spec.camera);
        meta1 = metadataSamples(firstSample);
    }
    if (spec.secondCamera)
        meta2 = metadataSamples(encodeSample(*spec.secondCamera));

    // Header of the mdat.
    const qint64 mdatPayload = media.size() + hole;
    const bool size64 = spec.mediaDataSize64 || mdatPayload + 8 > qint64(0xFFFFFFFFLL);
    QByteArray mdatHeader;
    if (spec.mediaDataSizeZero) {
        be32(mdatHeader, 0);
        mdatHeader.append("mdat", 4);
    } else if (size64) {
        be32(mdatHeader, 1);
        mdatHeader.append("mdat", 4);
        be64(mdatHeader, quint64(mdatPayload + 16));
    } else {
        be32(mdatHeader, quint32(mdatPayload + 8));
        mdatHeader.append("mdat", 4);
    }

    const QByteArray type = ftyp();
    auto moovAt = [&](qint64 mediaStart) {
        QByteArray body = mvhd(spec.duration, 4);
        if (spec.videoTrack) {
            Samples v = video;
            v.chunkOffset = quint64(mediaStart);
            body += trak({1, spec.tkhdVersion, spec.mediaHeaderVersion, spec.timescale, spec.duration, spec.rotation,
                          spec.width, spec.height, true},
                         v);
        }
        quint32 id = 2;
        for (const auto &m : {meta1, meta2}) {
            if (!m)
                continue;
            Samples s = *m;
            s.chunkOffset += quint64(mediaStart);
            body += trak({id++, 0, spec.mediaHeaderVersion, spec.timescale, spec.duration, 0, 0, 0, false}, s);
        }
        body += keyList(spec);
        body += coverBox(spec);
        QByteArray moov = make("moov", body);
        if (spec.moovSizeZero)
            putBe32(moov, 0, 0);
        return moov;
    };

    Built out;
    ClipLayout &l = out.layout;
    if (spec.moovFirst) {
        const qint64 moovSize = moovAt(0).size();
        const qint64 mediaStart = type.size() + moovSize + mdatHeader.size();
        const QByteArray moov = moovAt(mediaStart);
        out.head = type + moov + mdatHeader + media;
        l.moovOffset = type.size();
        l.moovSize = moov.size();
        l.mdatOffset = type.size() + moov.size();
    } else {
        const qint64 mediaStart = type.size() + mdatHeader.size();
        out.head = type + mdatHeader + media;
        out.tail = moovAt(mediaStart);
        l.mdatOffset = type.size();
        l.moovOffset = out.head.size() + hole;
        l.moovSize = out.tail.size();
    }
    l.mdatSize = mdatHeader.size() + mdatPayload;
    if (meta1) {
        l.sampleOffset = l.mdatOffset + mdatHeader.size() + qint64(meta1->chunkOffset);
        l.sampleSize = firstSample.size();
    }
    l.fileSize = out.head.size() + hole + out.tail.size();
    return out;
}

} // namespace

QByteArray buildClip(const ClipSpec &spec)
{
    Built b = build(spec, 0);
    return b.head + b.tail;
}

QString hevcUnavailable()
{
    QString why;
    if (!encodeVideo(64, 64, 10, 2, VideoCodec::Hevc10, -1, false, &why))
        return why.isEmpty() ? QStringLiteral("HEVC Main 10 cannot be encoded") : why;
    return {};
}

ClipLayout layoutOf(const ClipSpec &spec)
{
    return build(spec, spec.sparseMdatBytes).layout;
}

bool writeClip(const QString &path, const ClipSpec &spec)
{
    const Built b = build(spec, spec.sparseMdatBytes);
    if (b.failed)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = f.write(b.head) == b.head.size();
    const qint64 hole = qMax<qint64>(0, spec.sparseMdatBytes);
    if (ok && hole > 0) {
        if (b.tail.isEmpty())
            ok = f.resize(b.head.size() + hole);
        else
            ok = f.seek(b.head.size() + hole);
    }
    if (ok && !b.tail.isEmpty())
        ok = f.write(b.tail) == b.tail.size();
    ok = f.flush() && ok;
    f.close();
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace vidorra::fixture
