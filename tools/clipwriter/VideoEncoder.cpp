// H.264 through libavcodec (libx264 preferred, ultrafast, no B-frames, a keyframe every
// second), turned from Annex B into MP4 samples: length-prefixed NAL units, with the
// parameter sets moved into an avcC box. Without an H.264 encoder, or when asked,
// FFmpeg's native MPEG-4 Part 2 with its headers in an esds box.
#include "VideoEncoder.h"
#include "BoxWriter.h"
#include "FramePattern.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <QString>
#include <cmath>
#include <vector>
#include <map>
#include <mutex>
#include <tuple>

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

// Grey pictures only: luma from the pattern in video range, neutral chroma.
void fillFrame(AVFrame *f, int index)
{
    const int w = f->width, h = f->height;
    // The pattern is constant along rows within each half, so compute one row per half.
    QByteArray top(w, 0), bottom(w, 0);
    for (int x = 0; x < w; ++x) {
        top[x] = char(16 + pattern::levelAt(index, x, 0, w, h) * 219 / 255);
        bottom[x] = char(16 + pattern::levelAt(index, x, h - 1, w, h) * 219 / 255);
    }
    for (int y = 0; y < h; ++y)
        memcpy(f->data[0] + y * f->linesize[0], (y * 2 >= h ? bottom : top).constData(), size_t(w));
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < (h + 1) / 2; ++y)
            memset(f->data[plane] + y * f->linesize[plane], 128, size_t((w + 1) / 2));
}

// A landscape for people to look at: a sky whose colour depends on `scene`, a sun that
// crosses it over the clip and hills that drift by. Log footage looks flat and pale.
void fillScene(AVFrame *f, int index, int scene, bool flat, double fps)
{
    const int w = f->width, h = f->height;
    const double t = index / qMax(1.0, fps);
    const double hue = std::fmod(scene * 0.137, 1.0);
    auto sky = [&](double v, double &r, double &g, double &b) {
        // From a warm horizon to a deeper tone above, turned by the scene's hue.
        const double a = 2 * M_PI * hue;
        r = 0.55 + 0.35 * std::cos(a) * (1 - v) + 0.25 * v;
        g = 0.50 + 0.25 * std::cos(a + 2.1) * (1 - v) + 0.2 * (1 - v);
        b = 0.55 + 0.40 * std::cos(a + 4.2) * v + 0.3 * v;
    };
    const double sunX = 0.15 + 0.7 * std::fmod(t / 6.0 + scene * 0.21, 1.0);
    const double sunY = 0.28 + 0.08 * std::sin(scene);
    std::vector<uchar> rgb(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const double v = double(y) / h;
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w;
            double r, g, b;
            sky(1 - v, r, g, b);
            const double dx = (u - sunX) * w / h, dy = v - sunY;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < 0.07) {
                r = 1.0; g = 0.93; b = 0.7;
            } else {
                const double glow = 0.25 * std::exp(-d * 6);
                r += glow; g += glow * 0.8; b += glow * 0.4;
            }
            // Two ranges of hills, the nearer one moving faster.
            const double far = 0.62 + 0.06 * std::sin(u * 7 + t * 0.3 + scene);
            const double near = 0.74 + 0.08 * std::sin(u * 4.3 - t * 0.8 + scene * 1.7);
            if (v > near) {
                const double shade = 0.6 + 0.4 * (1 - (v - near) / (1 - near));
                r = 0.16 * shade; g = (0.36 + 0.1 * std::sin(scene)) * shade; b = 0.18 * shade;
            } else if (v > far) {
                r = r * 0.35 + 0.08; g = g * 0.35 + 0.16; b = b * 0.35 + 0.2;
            }
            if (flat) {
                // Log footage: lifted blacks, compressed highlights, little saturation.
                const double l = 0.3 * r + 0.59 * g + 0.11 * b;
                r = 0.3 + 0.45 * (l + 0.45 * (r - l));
                g = 0.3 + 0.45 * (l + 0.45 * (g - l));
                b = 0.3 + 0.45 * (l + 0.45 * (b - l));
            }
            rgb[size_t(x) * 3] = uchar(qBound(0.0, r, 1.0) * 255);
            rgb[size_t(x) * 3 + 1] = uchar(qBound(0.0, g, 1.0) * 255);
            rgb[size_t(x) * 3 + 2] = uchar(qBound(0.0, b, 1.0) * 255);
        }
        uchar *luma = f->data[0] + y * f->linesize[0];
        for (int x = 0; x < w; ++x) {
            const int R = rgb[size_t(x) * 3], G = rgb[size_t(x) * 3 + 1], B = rgb[size_t(x) * 3 + 2];
            luma[x] = uchar(16 + ((66 * R + 129 * G + 25 * B + 128) >> 8));
            if ((y & 1) == 0 && (x & 1) == 0) {
                f->data[1][(y / 2) * f->linesize[1] + x / 2] = uchar(128 + ((-38 * R - 74 * G + 112 * B + 128) >> 8));
                f->data[2][(y / 2) * f->linesize[2] + x / 2] = uchar(128 + ((112 * R - 94 * G - 18 * B + 128) >> 8));
            }
        }
    }
}

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

std::shared_ptr<const EncodedVideo> encode(int width, int height, double fps, int frames, bool mpeg4,
                                           int scene, bool flat)
{
    const AVCodec *codec = nullptr;
    if (!mpeg4) {
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
        return nullptr;
    Codec c;
    c.ctx = avcodec_alloc_context3(codec);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.ctx || !c.frame || !c.packet)
        return nullptr;
    // 4:2:0 needs even sizes.
    width = qMax(2, (width + 1) & ~1);
    height = qMax(2, (height + 1) & ~1);
    c.ctx->width = width;
    c.ctx->height = height;
    c.ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    // MPEG-4 Part 2 allows 16-bit time bases only.
    c.ctx->time_base = av_d2q(1.0 / fps, mpeg4 ? 65535 : 1000000);
    c.ctx->framerate = av_d2q(fps, 1000000);
    c.ctx->gop_size = qMax(1, int(std::lround(fps)));
    c.ctx->keyint_min = c.ctx->gop_size;
    c.ctx->max_b_frames = 0;
    c.ctx->thread_count = 2;
    c.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (mpeg4)
        c.ctx->qmax = 8;  // keeps the bit columns clean
    av_opt_set(c.ctx->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c.ctx->priv_data, "tune", "zerolatency", 0);
    av_opt_set(c.ctx->priv_data, "x264-params", "scenecut=0:log=-1", 0);
    if (avcodec_open2(c.ctx, codec, nullptr) < 0)
        return nullptr;

    c.frame->format = AV_PIX_FMT_YUV420P;
    c.frame->width = width;
    c.frame->height = height;
    if (av_frame_get_buffer(c.frame, 0) < 0)
        return nullptr;

    auto out = std::make_shared<EncodedVideo>();
    QByteArray sps, pps;
    auto takeHeaders = [&](const QList<QByteArray> &units) {
        for (const QByteArray &u : units) {
            const int type = u.isEmpty() ? 0 : (u[0] & 0x1F);
            if (type == 7 && sps.isEmpty())
                sps = u;
            else if (type == 8 && pps.isEmpty())
                pps = u;
        }
    };
    if (c.ctx->extradata_size > 0)
        takeHeaders(splitAnnexB(c.ctx->extradata, c.ctx->extradata_size));

    auto drain = [&]() {
        while (avcodec_receive_packet(c.ctx, c.packet) == 0) {
            if (mpeg4) {
                out->samples.append(QByteArray(reinterpret_cast<const char *>(c.packet->data), c.packet->size));
                if (c.packet->flags & AV_PKT_FLAG_KEY)
                    out->syncSamples.append(quint32(out->samples.size()));
                av_packet_unref(c.packet);
                continue;
            }
            const QList<QByteArray> units = splitAnnexB(c.packet->data, c.packet->size);
            takeHeaders(units);
            QByteArray sample;
            for (const QByteArray &u : units) {
                const int type = u.isEmpty() ? 0 : (u[0] & 0x1F);
                if (type == 7 || type == 8 || type == 9)  // parameter sets live in avcC
                    continue;
                be32(sample, quint32(u.size()));
                sample.append(u);
            }
            out->samples.append(sample);
            if (c.packet->flags & AV_PKT_FLAG_KEY)
                out->syncSamples.append(quint32(out->samples.size()));
            av_packet_unref(c.packet);
        }
    };
    for (int i = 0; i < frames; ++i) {
        if (av_frame_make_writable(c.frame) < 0)
            return nullptr;
        if (scene >= 0)
            fillScene(c.frame, i, scene, flat, fps);
        else
            fillFrame(c.frame, i);
        c.frame->pts = i;
        if (avcodec_send_frame(c.ctx, c.frame) < 0)
            return nullptr;
        drain();
    }
    avcodec_send_frame(c.ctx, nullptr);
    drain();
    if (out->samples.size() != frames)
        return nullptr;
    if (mpeg4) {
        const QByteArray config(reinterpret_cast<const char *>(c.ctx->extradata), c.ctx->extradata_size);
        out->sampleEntry = visualEntry("mp4v", width, height, esds(config));
    } else {
        if (sps.size() < 4 || pps.isEmpty())
            return nullptr;
        out->sampleEntry = visualEntry("avc1", width, height, avcC(sps, pps));
    }
    return out;
}

} // namespace

std::shared_ptr<const EncodedVideo> encodeVideo(int width, int height, double fps, int frames, bool mpeg4,
                                                int scene, bool flat)
{
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(fps > 0) || !std::isfinite(fps)
        || frames <= 0)
        return nullptr;
    using Key = std::tuple<int, int, qint64, int, bool, int, bool>;
    static std::mutex mutex;
    static std::map<Key, std::shared_ptr<const EncodedVideo>> cache;
    const Key key{width, height, qint64(std::llround(fps * 1000)), frames, mpeg4, scene, flat};
    std::lock_guard lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    auto video = encode(width, height, fps, frames, mpeg4, scene, flat);
    cache.emplace(key, video);
    return video;
}

} // namespace vidorra::fixture
