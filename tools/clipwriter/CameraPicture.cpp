#include "CameraPicture.h"
#include "Scene.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cmath>

namespace vidorra::fixture {

namespace {

// The landscape of the sample cards, always this one.
constexpr int kScene = 2;

// A small, fast generator: grain needs many numbers, not good ones.
struct XorShift {
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// A value in [0, 1) fixed for the cell (x, y): the texture of leaves, rock and water.
double cellNoise(int x, int y)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double(h ^ (h >> 16)) / 4294967296.0;
}

quint16 clamp10(int v) { return quint16(std::clamp(v, 0, 1023)); }

} // namespace

CameraPicture::CameraPicture(int width, int height, double fps, bool flat)
    : width_(width), height_(height), margin_(std::max(16, std::max(width, height) / 24) & ~1), fps_(fps)
{
    const int w = width_ + 2 * margin_, h = height_ + 2 * margin_;
    stride_ = w;
    luma_.resize(size_t(w) * size_t(h));
    cb_.resize(size_t(w / 2) * size_t(h / 2));
    cr_.resize(cb_.size());
    std::vector<uchar> rgb(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        scene::row(rgb.data(), y, w, h, 0, kScene, flat, fps_);
        for (int x = 0; x < w; ++x) {
            const double r = rgb[size_t(x) * 3], g = rgb[size_t(x) * 3 + 1], b = rgb[size_t(x) * 3 + 2];
            // Detail at two scales, so that the picture has texture to move.
            const double detail = 22 * (cellNoise(x, y) - 0.5) + 34 * (cellNoise(x / 5, y / 5) - 0.5);
            const double luma = 0.2126 * r + 0.7152 * g + 0.0722 * b;
            luma_[size_t(y) * size_t(w) + size_t(x)] = clamp10(int(std::lround(64 + luma * 876 / 255 + detail)));
            if ((x & 1) == 0 && (y & 1) == 0) {
                const size_t at = size_t(y / 2) * size_t(w / 2) + size_t(x / 2);
                cb_[at] = clamp10(int(std::lround(512 + (b - luma) / 1.8556 * 896 / 255)));
                cr_[at] = clamp10(int(std::lround(512 + (r - luma) / 1.5748 * 896 / 255)));
            }
        }
    }
}

void CameraPicture::draw(AVFrame *frame, int index) const
{
    const bool tenBits = frame->format == AV_PIX_FMT_YUV420P10LE;
    // A hand-held camera: a slow sway in both directions and a small shake. Offsets are
    // even so that the half-size colour planes move with the light.
    const double t = index / std::max(1.0, fps_);
    const double reach = margin_ - 4;
    int dx = int(std::lround(margin_ + reach * std::sin(2 * M_PI * t / 6.1) + 3 * std::sin(2 * M_PI * t * 1.7)));
    int dy = int(std::lround(margin_ + reach * 0.6 * std::sin(2 * M_PI * t / 4.3 + 1) + 2 * std::cos(2 * M_PI * t * 2.3)));
    dx = std::clamp(dx, 0, 2 * margin_) & ~1;
    dy = std::clamp(dy, 0, 2 * margin_) & ~1;

    XorShift grain{quint32(index) * 2654435761u + 12345u};
    auto put = [&](uchar *row, int x, int v) {
        if (tenBits)
            reinterpret_cast<quint16 *>(row)[x] = clamp10(v);
        else
            row[x] = uchar(clamp10(v) >> 2);
    };
    // The sensor's grain: about +-5 in 8 bits on the light, half that on the colour.
    for (int y = 0; y < height_; ++y) {
        const quint16 *src = luma_.data() + size_t(y + dy) * size_t(stride_) + size_t(dx);
        uchar *row = frame->data[0] + y * frame->linesize[0];
        for (int x = 0; x < width_; ++x)
            put(row, x, src[x] + int(grain.next() % 41) - 20);
    }
    const int cw = width_ / 2, ch = height_ / 2, cstride = stride_ / 2;
    for (int plane = 1; plane < 3; ++plane) {
        const std::vector<quint16> &colour = plane == 1 ? cb_ : cr_;
        for (int y = 0; y < ch; ++y) {
            const quint16 *src = colour.data() + size_t(y + dy / 2) * size_t(cstride) + size_t(dx / 2);
            uchar *row = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < cw; ++x)
                put(row, x, src[x] + int(grain.next() % 21) - 10);
        }
    }
}

} // namespace vidorra::fixture
