#include "preview/LUTCube.h"

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

// Entries outside 0..1 take part in the interpolation and only its result is clamped, as
// trilinear interpolation means. Signed 16-bit lanes hold -2..4; the difference of two
// (at most 6 x 4080) stays within the multiply's signed 16-bit input.
constexpr double lowestEntry = -2.0, highestEntry = 4.0;

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

inline int lane(quint64 word, int k) { return qint16(quint16(word >> (16 * k))); }

struct Kernel {
    const quint64 *table;
    size_t dg, db;
    const quint32 *offsetG, *offsetB;
    const qint16 (*weightG)[8];
    const qint16 (*weightB)[8];
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
            const int wg = k.weightG[g][0], wb = k.weightB[b][0];
            quint32 out = px & alphaBits;
            const int shifts[3] = {byteR, byteG, byteB};
            for (int ch = 0; ch < 3; ++ch) {
                const int c0 = lerp15(lane(c[0], ch), lane(c[k.dg], ch), wg);
                const int c1 = lerp15(lane(c[k.db], ch), lane(c[k.db + k.dg], ch), wg);
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
            const __m128i wg = _mm_load_si128(reinterpret_cast<const __m128i *>(k.weightG[g]));
            const __m128i wb = _mm_load_si128(reinterpret_cast<const __m128i *>(k.weightB[b]));
            const __m128i both = _mm_add_epi16(lo, _mm_mulhrs_epi16(_mm_sub_epi16(hi, lo), wg));
            const __m128i upper = _mm_unpackhi_epi64(both, both);
            __m128i v = _mm_add_epi16(both, _mm_mulhrs_epi16(_mm_sub_epi16(upper, both), wb));
            // Arithmetic shift, so a negative result saturates to 0 when packed.
            v = _mm_srai_epi16(_mm_add_epi16(v, eight), 4);
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
    buildLookup(plainPositions(n));
}

LUTCube::LUTCube(qint64 size, std::span<const float> rgb, const AxisPositions &positions)
    : id_(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()),
      size_(std::clamp<qint64>(size, 2, 256))
{
    const qint64 count = size_ * size_ * size_;
    data_.resize(count * 4 * qsizetype(sizeof(float)));
    float *out = reinterpret_cast<float *>(data_.data());
    for (qint64 i = 0; i < count; ++i) {
        const bool given = size_t(3 * i + 2) < rgb.size();
        for (int ch = 0; ch < 3; ++ch)
            out[4 * i + ch] = given ? rgb[size_t(3 * i + ch)] : 0.0f;
        out[4 * i + 3] = 1.0f;
    }
    buildLookup(positions);
}

AxisPositions LUTCube::plainPositions(qint64 size)
{
    AxisPositions positions{};
    for (auto &axis : positions)
        for (int v = 0; v < 256; ++v)
            axis[size_t(v)] = double(v) * double(size - 1) / 255.0;
    return positions;
}

// The integer tables the 8-bit lookup reads, from the float entries and the positions.
void LUTCube::buildLookup(const AxisPositions &positions)
{
    const qint64 n = size_;
    // Lower lattice index and the fraction towards the next, per channel and input value.
    std::array<std::array<qint64, 256>, 3> cell{};
    std::array<std::array<double, 256>, 3> frac{};
    for (size_t ch = 0; ch < 3; ++ch) {
        for (size_t v = 0; v < 256; ++v) {
            const double p = std::clamp(positions[ch][v], 0.0, double(n - 1));
            cell[ch][v] = std::min<qint64>(qint64(p), n - 2);
            frac[ch][v] = p - double(cell[ch][v]);
        }
    }
    // 32767 stands for 1.0: the instruction's weights are signed 16-bit.
    auto weight = [](double f) { return qint16(std::min<long>(std::lround(f * 32768.0), 32767)); };
    for (size_t v = 0; v < 256; ++v) {
        offsetG_[v] = quint32(cell[1][v] * 256);
        offsetB_[v] = quint32(cell[2][v] * n * 256);
        std::fill(std::begin(weightG_[v].lane), std::end(weightG_[v].lane), weight(frac[1][v]));
        std::fill(std::begin(weightB_[v].lane), std::end(weightB_[v].lane), weight(frac[2][v]));
    }
    // The red step, done once per 8-bit red value from the float table.
    const float *entries = reinterpret_cast<const float *>(data_.constData());
    redTable_.resize(static_cast<size_t>(n * n * 256));
    for (qint64 gb = 0; gb < n * n; ++gb) {
        const float *line = entries + 4 * gb * n;
        quint64 *row = redTable_.data() + gb * 256;
        for (size_t r = 0; r < 256; ++r) {
            const float *lo = line + 4 * cell[0][r];
            const float *hi = lo + 4;
            const double f = frac[0][r];
            quint64 word = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const double v = lo[ch] + (double(hi[ch]) - lo[ch]) * f;
                // Rounded half up, by truncating a value made positive (lround is a call).
                const double scaled = std::clamp(v, lowestEntry, highestEntry) * fixedOne - lowestEntry * fixedOne;
                const int fixed = int(scaled + 0.5) + int(lowestEntry * fixedOne);
                word |= quint64(quint16(qint16(fixed))) << (16 * ch);
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
                        &weightG_[0].lane, &weightB_[0].lane};
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
