// The pictures of fixture clips (the numbered pattern, or the landscape of sample cards)
// drawn frame by frame into a StreamEncoder, and kept per description so that repeated
// fixtures cost nothing.
#include "VideoEncoder.h"
#include "FramePattern.h"
#include "Scene.h"
#include "StreamEncoder.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QString>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

namespace vidorra::fixture {

namespace {

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

// The landscape of sample cards, turned into 8-bit video-range BT.601 YUV.
void fillScene(AVFrame *f, int index, int scene, bool flat, double fps)
{
    const int w = f->width, h = f->height;
    std::vector<uchar> rgb(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        scene::row(rgb.data(), y, w, h, index, scene, flat, fps);
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

// The same picture in 10 bits: video range scales by four (16..235 becomes 64..940).
void widen(const AVFrame *from, AVFrame *to)
{
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? (from->width + 1) / 2 : from->width;
        const int h = plane ? (from->height + 1) / 2 : from->height;
        for (int y = 0; y < h; ++y) {
            const uint8_t *src = from->data[plane] + y * from->linesize[plane];
            auto *dst = reinterpret_cast<uint16_t *>(to->data[plane] + y * to->linesize[plane]);
            for (int x = 0; x < w; ++x)
                dst[x] = uint16_t(src[x] << 2);
        }
    }
}

using Result = std::pair<std::shared_ptr<const EncodedVideo>, QString>;

Result encode(int width, int height, double fps, int frames, VideoCodec kind, int scene, bool flat)
{
    StreamEncoder encoder({.codec = kind, .width = width, .height = height, .fps = fps});
    auto fail = [&] { return Result{nullptr, encoder.error()}; };
    const bool hevc = kind == VideoCodec::Hevc10;
    // Pictures are drawn in 8 bits; 10-bit frames get a widened copy.
    std::unique_ptr<AVFrame, void (*)(AVFrame *)> narrow(nullptr, [](AVFrame *f) { av_frame_free(&f); });
    for (int i = 0; i < frames; ++i) {
        AVFrame *canvas = encoder.canvas();
        if (!canvas)
            return fail();
        if (hevc && !narrow) {
            narrow.reset(av_frame_alloc());
            if (!narrow)
                return {nullptr, QStringLiteral("out of memory")};
            narrow->format = AV_PIX_FMT_YUV420P;
            narrow->width = canvas->width;
            narrow->height = canvas->height;
            if (av_frame_get_buffer(narrow.get(), 0) < 0)
                return {nullptr, QStringLiteral("out of memory")};
        }
        AVFrame *picture = hevc ? narrow.get() : canvas;
        if (scene >= 0)
            fillScene(picture, i, scene, flat, fps);
        else
            fillFrame(picture, i);
        if (hevc)
            widen(picture, canvas);
        if (!encoder.send())
            return fail();
    }
    std::shared_ptr<const EncodedVideo> out = encoder.finish();
    return out ? Result{out, QString()} : fail();
}

} // namespace

std::shared_ptr<const EncodedVideo> encodeVideo(int width, int height, double fps, int frames, VideoCodec codec,
                                                int scene, bool flat, QString *error)
{
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(fps > 0) || !std::isfinite(fps)
        || frames <= 0) {
        if (error)
            *error = QStringLiteral("no video of %1x%2, %3 frames at %4 fps").arg(width).arg(height).arg(frames).arg(fps);
        return nullptr;
    }
    using Key = std::tuple<int, int, qint64, int, VideoCodec, int, bool>;
    static std::mutex mutex;
    static std::map<Key, Result> cache;
    const Key key{width, height, qint64(std::llround(fps * 1000)), frames, codec, scene, flat};
    std::lock_guard lock(mutex);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, encode(width, height, fps, frames, codec, scene, flat)).first;
    if (error)
        *error = it->second.second;
    return it->second.first;
}

} // namespace vidorra::fixture
