#include "LUTCube.h"

#include <QUuid>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vidorra {

namespace {

std::atomic<bool> vectorLookup{true};

constexpr float fixedOne = 255.0f * 16.0f;   // outputs in 12-bit fixed point

// Shifts of each byte of an RGBA8888 pixel read as one native 32-bit word.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr int byteR = 0, byteG = 8, byteB = 16;
constexpr quint32 alphaBits = 0xFF000000u;
#else
constexpr int byteR = 24, byteG = 16, byteB = 8;
constexpr quint32 alphaBits = 0x000000FFu;
#endif

// a + (b - a) x w / 32768, rounded: exactly what the SIMD multiply-high-with-rounding
// instruction computes per 16-bit lane, so both paths give identical pixels.
inline int lerp15(int a, int b, int w)
{
    return a + (((b - a) * w + 0x4000) >> 15);
}

inline quint64 lane(quint64 word, int k) { return (word >> (16 * k)) & 0xFFFF; }

struct Kernel {
    const quint64 *table;
    size_t dg, db;
    const quint32 *offsetG, *offsetB;
    const qint16 (*weight)[8];
};

void applyPortable(const Kernel &k, uchar *pixels, int width, int height, qsizetype bytesPerLine)
{
    for (int y = 0; y < height; ++y) {
        uchar *row = pixels + qsizetype(y) * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            quint32 px;
            std::memcpy(&px, row + 4 * x, 4);
            const uchar r = uchar(px >> byteR), g = uchar(px >> byteG), b = uchar(px >> byteB);
            const quint64 *c = k.table + k.offsetG[g] + k.offsetB[b] + r;
            const int wg = k.weight[g][0], wb = k.weight[b][0];
            quint32 out = px & alphaBits;
            const int shifts[3] = {byteR, byteG, byteB};
            for (int ch = 0; ch < 3; ++ch) {
                const int c0 = lerp15(int(lane(c[0], ch)), int(lane(c[k.dg], ch)), wg);
                const int c1 = lerp15(int(lane(c[k.db], ch)), int(lane(c[k.db + k.dg], ch)), wg);
                const int v = lerp15(c0, c1, wb);
                out |= quint32(std::clamp((v + 8) >> 4, 0, 255)) << shifts[ch];
            }
            std::memcpy(row + 4 * x, &out, 4);
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define VIDORRA_LUT_SSSE3 1
// Two corners per register, the three channels in 16-bit lanes: one subtract, one
// rounding multiply-high and one add interpolate six values at once.
__attribute__((target("ssse3")))
void applySSSE3(const Kernel &k, uchar *pixels, int width, int height, qsizetype bytesPerLine)
{
    const __m128i eight = _mm_set1_epi16(8);
    for (int y = 0; y < height; ++y) {
        uchar *row = pixels + qsizetype(y) * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            quint32 px;
            std::memcpy(&px, row + 4 * x, 4);
            const uchar r = uchar(px >> byteR), g = uchar(px >> byteG), b = uchar(px >> byteB);
            const quint64 *c = k.table + k.offsetG[g] + k.offsetB[b] + r;
            const __m128i lo = _mm_set_epi64x(qint64(c[k.db]), qint64(c[0]));
            const __m128i hi = _mm_set_epi64x(qint64(c[k.db + k.dg]), qint64(c[k.dg]));
            const __m128i wg = _mm_load_si128(reinterpret_cast<const __m128i *>(k.weight[g]));
            const __m128i wb = _mm_load_si128(reinterpret_cast<const __m128i *>(k.weight[b]));
            const __m128i both = _mm_add_epi16(lo, _mm_mulhrs_epi16(_mm_sub_epi16(hi, lo), wg));
            const __m128i upper = _mm_unpackhi_epi64(both, both);
            __m128i v = _mm_add_epi16(both, _mm_mulhrs_epi16(_mm_sub_epi16(upper, both), wb));
            v = _mm_srli_epi16(_mm_add_epi16(v, eight), 4);
            v = _mm_packus_epi16(v, v);
            const quint32 rgb = quint32(_mm_cvtsi128_si32(v));   // r, g, b, 0 in memory order
            quint32 out;
            std::memcpy(&out, &rgb, 4);
            out = (out & ~alphaBits) | (px & alphaBits);
            std::memcpy(row + 4 * x, &out, 4);
        }
    }
}
#endif

} // namespace

LUTCube::LUTCube(const AutoGrade &grade, qint64 size)
    : id_(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()),
      size_(std::max<qint64>(size, 2))
{
    const qint64 n = size_;
    const qint64 count = n * n * n;
    data_.resize(count * 4 * qsizetype(sizeof(float)));

    // The per-channel curve depends on one index only; the saturation step mixes them.
    std::vector<float> curved(static_cast<size_t>(n));
    for (qint64 i = 0; i < n; ++i)
        curved[size_t(i)] = grade.curve(float(i) / float(n - 1));
    float *out = reinterpret_cast<float *>(data_.data());
    qint64 at = 0;
    for (qint64 b = 0; b < n; ++b) {
        for (qint64 g = 0; g < n; ++g) {
            for (qint64 r = 0; r < n; ++r, ++at) {
                const float cr = curved[size_t(r)], cg = curved[size_t(g)], cb = curved[size_t(b)];
                const float y = 0.2126f * cr + 0.7152f * cg + 0.0722f * cb;
                auto push = [&](float c) { return std::clamp(y + grade.saturation * (c - y), 0.0f, 1.0f); };
                out[4 * at + 0] = push(cr);
                out[4 * at + 1] = push(cg);
                out[4 * at + 2] = push(cb);
                out[4 * at + 3] = 1.0f;
            }
        }
    }

    std::array<qint64, 256> cell{};
    std::array<double, 256> frac{};
    for (int v = 0; v < 256; ++v) {
        const double p = double(v) * double(n - 1) / 255.0;
        const qint64 c = std::min<qint64>(qint64(p), n - 2);
        cell[size_t(v)] = c;
        frac[size_t(v)] = p - double(c);
        offsetG_[size_t(v)] = quint32(c * 256);
        offsetB_[size_t(v)] = quint32(c * n * 256);
        // 32767 stands for 1.0: the instruction's weights are signed 16-bit.
        const auto w = qint16(std::min<long>(std::lround(frac[size_t(v)] * 32768.0), 32767));
        std::fill(std::begin(weight_[size_t(v)].lane), std::end(weight_[size_t(v)].lane), w);
    }
    // The red step, done once per 8-bit red value from the float table.
    redTable_.resize(static_cast<size_t>(n * n * 256));
    for (qint64 gb = 0; gb < n * n; ++gb) {
        const float *entries = out + 4 * gb * n;
        quint64 *row = redTable_.data() + gb * 256;
        for (int r = 0; r < 256; ++r) {
            const float *lo = entries + 4 * cell[size_t(r)];
            const float *hi = lo + 4;
            const double f = frac[size_t(r)];
            quint64 word = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const double v = lo[ch] + (hi[ch] - lo[ch]) * f;
                word |= quint64(std::lround(std::clamp(v, 0.0, 1.0) * fixedOne)) << (16 * ch);
            }
            row[r] = word;
        }
    }
}

void LUTCube::applyRGBA(uchar *pixels, int width, int height, qsizetype bytesPerLine) const
{
    if (!pixels || width <= 0 || height <= 0)
        return;
    const Kernel kernel{redTable_.data(), 256, size_t(size_) * 256, offsetG_.data(), offsetB_.data(),
                        &weight_[0].lane};
#ifdef VIDORRA_LUT_SSSE3
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3 && vectorLookup.load(std::memory_order_relaxed)) {
        applySSSE3(kernel, pixels, width, height, bytesPerLine);
        return;
    }
#endif
    applyPortable(kernel, pixels, width, height, bytesPerLine);
}

void setVectorLookup(bool enabled)
{
    vectorLookup = enabled;
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
