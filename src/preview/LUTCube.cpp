#include "LUTCube.h"

#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace vidorra {

namespace {

// Outputs are kept as 12-bit fixed point (255 x 16 = 1.0) in three 21-bit lanes of a
// 64-bit word. A lerp with a weight out of 256 multiplies each lane by at most 256, so
// a lane never exceeds 20 bits and never carries into its neighbour.
constexpr int laneBits = 21;
constexpr quint64 laneMask = (quint64(1) << 12) - 1;
constexpr quint64 lanes12 = laneMask | (laneMask << laneBits) | (laneMask << (2 * laneBits));
constexpr quint64 laneRound = 128 | (quint64(128) << laneBits) | (quint64(128) << (2 * laneBits));
constexpr float fixedOne = 255.0f * 16.0f;

inline quint64 lerp(quint64 a, quint64 b, quint64 f)
{
    return ((a * (256 - f) + b * f + laneRound) >> 8) & lanes12;
}

inline quint64 fixedOf(float v)
{
    return quint64(std::lround(std::clamp(v, 0.0f, 1.0f) * fixedOne));
}

} // namespace

LUTCube::LUTCube(const AutoGrade &grade, qint64 size)
    : id_(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()),
      size_(std::max<qint64>(size, 2))
{
    const qint64 n = size_;
    const qint64 count = n * n * n;
    data_.resize(count * 4 * qsizetype(sizeof(float)));
    packed_.resize(size_t(count));

    // The per-channel curve depends on one index only; the saturation step mixes them.
    std::vector<float> level(static_cast<size_t>(n)), curved(static_cast<size_t>(n));
    for (qint64 i = 0; i < n; ++i) {
        level[size_t(i)] = float(i) / float(n - 1);
        curved[size_t(i)] = grade.curve(level[size_t(i)]);
    }
    float *out = reinterpret_cast<float *>(data_.data());
    qint64 at = 0;
    for (qint64 b = 0; b < n; ++b) {
        for (qint64 g = 0; g < n; ++g) {
            for (qint64 r = 0; r < n; ++r, ++at) {
                const float cr = curved[size_t(r)], cg = curved[size_t(g)], cb = curved[size_t(b)];
                const float y = 0.2126f * cr + 0.7152f * cg + 0.0722f * cb;
                auto push = [&](float c) { return std::clamp(y + grade.saturation * (c - y), 0.0f, 1.0f); };
                const float orr = push(cr), og = push(cg), ob = push(cb);
                out[4 * at + 0] = orr;
                out[4 * at + 1] = og;
                out[4 * at + 2] = ob;
                out[4 * at + 3] = 1.0f;
                packed_[size_t(at)] = fixedOf(orr) | (fixedOf(og) << laneBits) | (fixedOf(ob) << (2 * laneBits));
            }
        }
    }

    for (int v = 0; v < 256; ++v) {
        const double p = double(v) * double(n - 1) / 255.0;
        const qint64 cell = std::min<qint64>(qint64(p), n - 2);
        cellR_[size_t(v)] = quint32(cell);
        cellG_[size_t(v)] = quint32(cell * n);
        cellB_[size_t(v)] = quint32(cell * n * n);
        frac_[size_t(v)] = quint16(std::lround((p - double(cell)) * 256.0));
    }
}

void LUTCube::applyRGBA(uchar *pixels, int width, int height, qsizetype bytesPerLine) const
{
    if (!pixels || width <= 0 || height <= 0)
        return;
    const quint64 *table = packed_.data();
    const size_t dg = size_t(size_);
    const size_t db = size_t(size_ * size_);
    for (int y = 0; y < height; ++y) {
        uchar *p = pixels + qsizetype(y) * bytesPerLine;
        for (int x = 0; x < width; ++x, p += 4) {
            const uchar r = p[0], g = p[1], b = p[2];
            const quint64 fr = frac_[r], fg = frac_[g], fb = frac_[b];
            const quint64 *c = table + cellR_[r] + cellG_[g] + cellB_[b];
            const quint64 c00 = lerp(c[0], c[1], fr);
            const quint64 c10 = lerp(c[dg], c[dg + 1], fr);
            const quint64 c01 = lerp(c[db], c[db + 1], fr);
            const quint64 c11 = lerp(c[db + dg], c[db + dg + 1], fr);
            const quint64 c0 = lerp(c00, c10, fg);
            const quint64 c1 = lerp(c01, c11, fg);
            const quint64 v = lerp(c0, c1, fb);
            p[0] = uchar(((v & laneMask) + 8) >> 4);
            p[1] = uchar((((v >> laneBits) & laneMask) + 8) >> 4);
            p[2] = uchar((((v >> (2 * laneBits)) & laneMask) + 8) >> 4);
        }
    }
}

std::optional<QImage> LUTCube::apply(const QImage &image) const
{
    if (image.isNull())
        return std::nullopt;
    // Reordering bytes into RGBA is not a colour conversion: values pass through as they are.
    QImage out = image.convertToFormat(QImage::Format_RGBA8888);
    if (out.isNull())
        return std::nullopt;
    applyRGBA(out.bits(), out.width(), out.height(), out.bytesPerLine());
    return out;
}

} // namespace vidorra
