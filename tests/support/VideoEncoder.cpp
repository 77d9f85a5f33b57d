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

std::shared_ptr<const EncodedVideo> encode(int width, int height, double fps, int frames, bool mpeg4)
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

std::shared_ptr<const EncodedVideo> encodeVideo(int width, int height, double fps, int frames, bool mpeg4)
{
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(fps > 0) || !std::isfinite(fps)
        || frames <= 0)
        return nullptr;
    using Key = std::tuple<int, int, qint64, int, bool>;
    static std::mutex mutex;
    static std::map<Key, std::shared_ptr<const EncodedVideo>> cache;
    const Key key{width, height, qint64(std::llround(fps * 1000)), frames, mpeg4};
    std::lock_guard lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    auto video = encode(width, height, fps, frames, mpeg4);
    cache.emplace(key, video);
    return video;
}

} // namespace vidorra::fixture
