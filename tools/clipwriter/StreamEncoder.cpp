// A stream through libavcodec turned from Annex B into MP4 samples: length-prefixed NAL
// units, with the parameter sets moved into the sample entry (avcC for H.264, hvcC for
// HEVC Main 10 as the camera records log footage). FFmpeg's native MPEG-4 Part 2 keeps its
// headers in an esds box.
#include "StreamEncoder.h"
#include "BoxWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <QString>
#include <cmath>
#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace vidorra::fixture {

namespace {

using namespace box;

// NAL units of an Annex B stream, without their start codes.
QList<QByteArray> splitAnnexB(const uint8_t *data, int size)
{
    QList<QByteArray> units;
    int i = 0, start = -1;
    while (i + 3 <= size) {
        const bool three = data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1;
        if (three) {
            if (start >= 0) {
                int end = i;
                while (end > start && data[end - 1] == 0)  // trailing zero of a 4-byte code
                    --end;
                units.append(QByteArray(reinterpret_cast<const char *>(data + start), end - start));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start >= 0 && start < size)
        units.append(QByteArray(reinterpret_cast<const char *>(data + start), size - start));
    return units;
}

QByteArray avcC(const QByteArray &sps, const QByteArray &pps)
{
    QByteArray p;
    p.append(char(1));
    p.append(sps.mid(1, 3));       // profile, compatibility, level
    p.append(char(0xFF));          // 4-byte NAL lengths
    p.append(char(0xE1));          // one SPS
    be16(p, quint16(sps.size()));
    p.append(sps);
    p.append(char(1));             // one PPS
    be16(p, quint16(pps.size()));
    p.append(pps);
    return make("avcC", p);
}

// HEVC NAL unit types the writer cares about.
constexpr int kHevcVps = 32, kHevcSps = 33, kHevcPps = 34, kHevcAud = 35;
int hevcType(const QByteArray &unit) { return unit.isEmpty() ? -1 : (uchar(unit[0]) >> 1) & 0x3F; }
// Random access points (IDR, CRA, BLA): the pictures a decoder can start from.
bool hevcRandomAccess(int type) { return type >= 16 && type <= 21; }

// Reads the bits of a NAL unit's payload with the emulation prevention bytes removed.
class BitReader {
public:
    explicit BitReader(const QByteArray &unit)
    {
        int zeros = 0;
        for (const char b : unit) {
            if (zeros >= 2 && b == 3) {
                zeros = 0;
                continue;
            }
            rbsp.append(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
    }
    const QByteArray &bytes() const { return rbsp; }
    bool ok() const { return pos <= qsizetype(rbsp.size()) * 8; }
    quint32 bits(int n)
    {
        quint32 v = 0;
        for (int i = 0; i < n; ++i, ++pos) {
            const qsizetype at = pos / 8;
            const int bit = at < rbsp.size() ? (uchar(rbsp[at]) >> (7 - pos % 8)) & 1 : 0;
            v = (v << 1) | quint32(bit);
        }
        return v;
    }
    quint32 ue()
    {
        int zeros = 0;
        while (bits(1) == 0 && zeros < 31 && ok())   // longer codes do not occur in the fields read
            ++zeros;
        return zeros ? ((1u << zeros) - 1 + bits(zeros)) : 0;
    }
    void skip(qsizetype n) { pos += n; }
private:
    QByteArray rbsp;
    qsizetype pos = 0;
};

// What hvcC repeats from the sequence parameter set.
struct HevcSequence {
    QByteArray generalProfile;  // profile space, tier, profile, compatibility, constraints, level: 12 bytes
    int profile = 0;
    int subLayers = 1;
    bool temporalIdNested = false;
    int chromaFormat = 0;
    int lumaBits = 0, chromaBits = 0;
};

std::optional<HevcSequence> readHevcSps(const QByteArray &sps)
{
    BitReader r(sps);
    HevcSequence s;
    if (r.bytes().size() < 15)
        return std::nullopt;
    r.skip(16);                                 // NAL unit header
    r.skip(4);                                  // video parameter set id
    const int maxSubLayersMinus1 = int(r.bits(3));
    s.subLayers = maxSubLayersMinus1 + 1;
    s.temporalIdNested = r.bits(1);
    s.generalProfile = r.bytes().mid(3, 12);
    s.profile = uchar(s.generalProfile[0]) & 0x1F;
    r.skip(12 * 8);
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < maxSubLayersMinus1; ++i) {
        profilePresent[i] = r.bits(1);
        levelPresent[i] = r.bits(1);
    }
    if (maxSubLayersMinus1 > 0)
        r.skip(2 * (8 - maxSubLayersMinus1));
    for (int i = 0; i < maxSubLayersMinus1; ++i)
        r.skip((profilePresent[i] ? 88 : 0) + (levelPresent[i] ? 8 : 0));
    r.ue();                                     // sequence parameter set id
    s.chromaFormat = int(r.ue());
    if (s.chromaFormat == 3)
        r.skip(1);                              // separate colour planes
    r.ue();                                     // width
    r.ue();                                     // height
    if (r.bits(1))                              // conformance window
        for (int i = 0; i < 4; ++i)
            r.ue();
    s.lumaBits = int(r.ue()) + 8;
    s.chromaBits = int(r.ue()) + 8;
    if (!r.ok() || s.chromaFormat > 3 || s.lumaBits > 16 || s.chromaBits > 16)
        return std::nullopt;
    return s;
}

// The HEVC decoder configuration record: the stream's profile, format and depth, and all
// of its parameter sets (none are repeated in the samples).
QByteArray hvcC(const HevcSequence &s, const QByteArray &vps, const QByteArray &sps, const QByteArray &pps)
{
    QByteArray p;
    p.append(char(1));                                     // configuration version
    p.append(s.generalProfile);
    be16(p, 0xF000);                                       // no minimum spatial segmentation
    p.append(char(0xFC));                                  // parallelism unknown
    p.append(char(0xFC | s.chromaFormat));
    p.append(char(0xF8 | (s.lumaBits - 8)));
    p.append(char(0xF8 | (s.chromaBits - 8)));
    be16(p, 0);                                            // average frame rate unknown
    p.append(char((s.subLayers << 3) | (s.temporalIdNested ? 4 : 0) | 3));  // 4-byte NAL lengths
    p.append(char(3));
    for (const QByteArray &unit : {vps, sps, pps}) {
        p.append(char(0x80 | hevcType(unit)));             // complete: this array holds them all
        be16(p, 1);
        be16(p, quint16(unit.size()));
        p.append(unit);
    }
    return make("hvcC", p);
}

struct Codec {
    AVCodecContext *ctx = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    ~Codec()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }
};

// MPEG-4 Part 2 decoder configuration: an ES descriptor holding the encoder's headers.
QByteArray esds(const QByteArray &config)
{
    auto descriptor = [](quint8 tag, const QByteArray &body) {
        QByteArray d;
        d.append(char(tag));
        // Length in four 7-bit groups, the form every reader accepts.
        const quint32 n = quint32(body.size());
        d.append(char(0x80 | ((n >> 21) & 0x7F))).append(char(0x80 | ((n >> 14) & 0x7F)));
        d.append(char(0x80 | ((n >> 7) & 0x7F))).append(char(n & 0x7F));
        return d + body;
    };
    QByteArray decoderConfig;
    decoderConfig.append(char(0x20));       // MPEG-4 Visual
    decoderConfig.append(char(0x11));       // visual stream
    decoderConfig.append(3, '\0');          // buffer size
    be32(decoderConfig, 0);                 // max bit rate
    be32(decoderConfig, 0);                 // average bit rate
    decoderConfig.append(descriptor(0x05, config));
    QByteArray es;
    be16(es, 1);                            // ES id
    es.append(char(0));
    es.append(descriptor(0x04, decoderConfig));
    es.append(descriptor(0x06, QByteArray(1, char(0x02))));
    return full("esds", 0, 0, descriptor(0x03, es));
}

QByteArray visualEntry(const char (&type)[5], int width, int height, const QByteArray &config)
{
    QByteArray p;
    zeros(p, 6);
    be16(p, 1);
    zeros(p, 16);
    be16(p, quint16(width));
    be16(p, quint16(height));
    be32(p, 0x00480000);
    be32(p, 0x00480000);
    be32(p, 0);
    be16(p, 1);
    QByteArray name("\x08Vidorra ", 8);  // Pascal string, padded below
    name.append(QByteArray(32 - name.size(), '\0'));
    p.append(name);
    be16(p, 0x0018);
    be16(p, 0xFFFF);
    p.append(config);
    return make(type, p);
}


} // namespace

struct StreamEncoder::Impl {
    StreamSettings settings;
    const AVCodec *codec = nullptr;
    Codec c;
    bool hevc = false, mpeg4 = false;
    QString error;
    int sent = 0;
    std::shared_ptr<EncodedVideo> out = std::make_shared<EncodedVideo>();
    QByteArray vps, sps, pps;

    bool fail(const QString &why)
    {
        if (error.isEmpty())
            error = why;
        return false;
    }
    bool open();
    bool parameterSet(const QByteArray &unit);
    void drain();
};

bool StreamEncoder::Impl::open()
{
    hevc = settings.codec == VideoCodec::Hevc10;
    mpeg4 = settings.codec == VideoCodec::Mpeg4;
    const double fps = settings.fps;
    if (settings.width <= 0 || settings.height <= 0 || settings.width > 8192 || settings.height > 8192
        || !(fps > 0) || !std::isfinite(fps))
        return fail(QStringLiteral("no video of %1x%2 at %3 fps").arg(settings.width).arg(settings.height).arg(fps));
    if (hevc) {
        // Only libx265 makes 10-bit HEVC; another encoder would make a different clip.
        codec = avcodec_find_encoder_by_name("libx265");
        if (!codec)
            return fail(QStringLiteral("this FFmpeg has no libx265 encoder for HEVC Main 10"));
    } else if (!mpeg4) {
        codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    }
    // FFmpeg's own MPEG-4 Part 2 encoder is always there.
    if (!codec) {
        mpeg4 = true;
        codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    }
    if (!codec)
        return fail(QStringLiteral("this FFmpeg has no video encoder"));
    c.ctx = avcodec_alloc_context3(codec);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.ctx || !c.frame || !c.packet)
        return fail(QStringLiteral("out of memory"));
    const AVPixelFormat format = hevc ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
    // 4:2:0 needs even sizes.
    const int width = qMax(2, (settings.width + 1) & ~1);
    const int height = qMax(2, (settings.height + 1) & ~1);
    c.ctx->width = width;
    c.ctx->height = height;
    c.ctx->pix_fmt = format;
    // MPEG-4 Part 2 allows 16-bit time bases only.
    c.ctx->time_base = av_d2q(1.0 / fps, mpeg4 ? 65535 : 1000000);
    c.ctx->framerate = av_d2q(fps, 1000000);
    c.ctx->gop_size = qMax(1, int(std::lround(fps)));
    c.ctx->keyint_min = c.ctx->gop_size;
    c.ctx->max_b_frames = 0;
    c.ctx->thread_count = 2;
    c.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (settings.bitRate > 0) {
        // A steady rate, as a camera writes: peaks held to a quarter above the average.
        c.ctx->bit_rate = settings.bitRate;
        c.ctx->rc_max_rate = settings.bitRate + settings.bitRate / 4;
        c.ctx->rc_buffer_size = int(std::min<qint64>(settings.bitRate, INT_MAX));
    }
    if (settings.bt709) {
        c.ctx->color_primaries = AVCOL_PRI_BT709;
        c.ctx->color_trc = AVCOL_TRC_BT709;
        c.ctx->colorspace = AVCOL_SPC_BT709;
        c.ctx->color_range = AVCOL_RANGE_MPEG;
    }
    if (mpeg4)
        c.ctx->qmax = 8;  // keeps the bit columns clean
    av_opt_set(c.ctx->priv_data, "preset", settings.preset, 0);
    if (settings.lowLatency)
        av_opt_set(c.ctx->priv_data, "tune", "zerolatency", 0);
    if (hevc) {
        av_opt_set(c.ctx->priv_data, "profile", "main10", 0);
        // Closed groups starting with IDR pictures, one a second; no banner per clip.
        const QByteArray params = QStringLiteral("keyint=%1:min-keyint=%1:scenecut=0:open-gop=0:bframes=0:"
                                                 "info=0:log-level=error")
                                      .arg(c.ctx->gop_size).toLatin1();
        av_opt_set(c.ctx->priv_data, "x265-params", params.constData(), 0);
    } else {
        av_opt_set(c.ctx->priv_data, "x264-params", "scenecut=0:log=-1", 0);
    }
    if (avcodec_open2(c.ctx, codec, nullptr) < 0)
        return fail(QStringLiteral("%1 does not open for %2 at %3x%4")
                        .arg(QLatin1String(codec->name), QLatin1String(av_get_pix_fmt_name(format)))
                        .arg(width).arg(height));
    c.frame->format = format;
    c.frame->width = width;
    c.frame->height = height;
    if (av_frame_get_buffer(c.frame, 0) < 0)
        return fail(QStringLiteral("out of memory"));
    if (c.ctx->extradata_size > 0)
        for (const QByteArray &u : splitAnnexB(c.ctx->extradata, c.ctx->extradata_size))
            parameterSet(u);
    return true;
}

// Keeps the first of each parameter set (they live in the sample entry) and tells
// whether `u` is one, or a delimiter, that stays out of the samples.
bool StreamEncoder::Impl::parameterSet(const QByteArray &u)
{
    if (hevc) {
        const int type = hevcType(u);
        QByteArray *slot = type == kHevcVps ? &vps : type == kHevcSps ? &sps : type == kHevcPps ? &pps : nullptr;
        if (slot && slot->isEmpty())
            *slot = u;
        return slot != nullptr || type == kHevcAud;
    }
    const int type = u.isEmpty() ? 0 : (u[0] & 0x1F);
    if (type == 7 && sps.isEmpty())
        sps = u;
    else if (type == 8 && pps.isEmpty())
        pps = u;
    return type == 7 || type == 8 || type == 9;
}

void StreamEncoder::Impl::drain()
{
    while (avcodec_receive_packet(c.ctx, c.packet) == 0) {
        if (mpeg4) {
            out->samples.append(QByteArray(reinterpret_cast<const char *>(c.packet->data), c.packet->size));
            if (c.packet->flags & AV_PKT_FLAG_KEY)
                out->syncSamples.append(quint32(out->samples.size()));
            av_packet_unref(c.packet);
            continue;
        }
        QByteArray sample;
        bool sync = !hevc && (c.packet->flags & AV_PKT_FLAG_KEY);
        for (const QByteArray &u : splitAnnexB(c.packet->data, c.packet->size)) {
            if (parameterSet(u))
                continue;
            sync = sync || (hevc && hevcRandomAccess(hevcType(u)));
            box::be32(sample, quint32(u.size()));
            sample.append(u);
        }
        out->samples.append(sample);
        if (sync)
            out->syncSamples.append(quint32(out->samples.size()));
        av_packet_unref(c.packet);
    }
}

StreamEncoder::StreamEncoder(const StreamSettings &settings) : d(std::make_unique<Impl>())
{
    d->settings = settings;
    d->open();
}

StreamEncoder::~StreamEncoder() = default;

QString StreamEncoder::error() const { return d->error; }

AVFrame *StreamEncoder::canvas()
{
    if (!d->error.isEmpty())
        return nullptr;
    if (av_frame_make_writable(d->c.frame) < 0) {
        d->fail(QStringLiteral("out of memory"));
        return nullptr;
    }
    return d->c.frame;
}

bool StreamEncoder::send()
{
    if (!d->error.isEmpty())
        return false;
    d->c.frame->pts = d->sent;
    if (avcodec_send_frame(d->c.ctx, d->c.frame) < 0)
        return d->fail(QStringLiteral("%1 refused frame %2").arg(QLatin1String(d->codec->name)).arg(d->sent));
    ++d->sent;
    d->drain();
    return true;
}

std::shared_ptr<EncodedVideo> StreamEncoder::finish()
{
    if (!d->error.isEmpty())
        return nullptr;
    Impl &s = *d;
    avcodec_send_frame(s.c.ctx, nullptr);
    s.drain();
    const QString name = QLatin1String(s.codec->name);
    if (s.out->samples.size() != s.sent) {
        s.fail(QStringLiteral("%1 gave %2 of %3 frames").arg(name).arg(s.out->samples.size()).arg(s.sent));
        return nullptr;
    }
    const int width = s.c.ctx->width, height = s.c.ctx->height;
    if (s.mpeg4) {
        const QByteArray config(reinterpret_cast<const char *>(s.c.ctx->extradata), s.c.ctx->extradata_size);
        s.out->sampleEntry = visualEntry("mp4v", width, height, esds(config));
    } else if (s.hevc) {
        const std::optional<HevcSequence> seq = s.vps.isEmpty() || s.pps.isEmpty() ? std::nullopt : readHevcSps(s.sps);
        if (!seq) {
            s.fail(QStringLiteral("libx265 gave no usable parameter sets"));
            return nullptr;
        }
        if (seq->profile != 2 || seq->lumaBits != 10 || seq->chromaBits != 10 || seq->chromaFormat != 1) {
            s.fail(QStringLiteral("libx265 made profile %1, %2-bit, chroma format %3 instead of Main 10")
                       .arg(seq->profile).arg(seq->lumaBits).arg(seq->chromaFormat));
            return nullptr;
        }
        s.out->sampleEntry = visualEntry("hvc1", width, height, hvcC(*seq, s.vps, s.sps, s.pps));
    } else {
        if (s.sps.size() < 4 || s.pps.isEmpty()) {
            s.fail(QStringLiteral("the H.264 encoder gave no parameter sets"));
            return nullptr;
        }
        s.out->sampleEntry = visualEntry("avc1", width, height, avcC(s.sps, s.pps));
    }
    return std::exchange(s.out, nullptr);
}

} // namespace vidorra::fixture
