#pragma once
// A colour lookup table sampled from an AutoGrade: N^3 RGBA float entries, red varying
// fastest. Immutable once built and shared between threads without locks.

#include "AutoGrade.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

namespace vidorra {

class LUTCube {
public:
    // Builds the table for `grade` with `size` lattice points per axis (at least 2;
    // smaller values are raised to 2).
    explicit LUTCube(const AutoGrade &grade, qint64 size = 33);

    // Upper-case UUID text made when the table was built; tells tables apart in cache keys.
    const QString &id() const { return id_; }
    qint64 size() const { return size_; }
    // size^3 entries of four native-endian 32-bit floats (r, g, b, 1), entry (r, g, b)
    // at r + N*g + N*N*b.
    const QByteArray &data() const { return data_; }

    // Grades 8-bit RGBA pixels in place by trilinear interpolation; alpha is untouched
    // and no colour conversion is applied. Safe to call from any thread.
    void applyRGBA(uchar *pixels, int width, int height, qsizetype bytesPerLine) const;
    // The image graded, as Format_RGBA8888; nothing for a null image.
    std::optional<QImage> apply(const QImage &image) const;

private:
    QString id_;
    qint64 size_;
    QByteArray data_;
    // Integer form of the table for the 8-bit lookup: each entry four 16-bit lanes
    // (red, green, blue, 0) in 12-bit fixed point, 4080 = 1.0. The red step of the
    // interpolation is done ahead for every 8-bit red value: entry (r8, g, b) at
    // r8 + 256 * (g + N * b), which leaves two steps and four loads per pixel.
    std::vector<quint64> redTable_;
    // Per 8-bit input value: the offset of its lower lattice cell in redTable_ along
    // green and blue, and the interpolation weight in 1/32768ths, repeated for SIMD.
    std::array<quint32, 256> offsetG_{}, offsetB_{};
    struct alignas(16) Weight { qint16 lane[8]; };
    std::array<Weight, 256> weight_{};
};

using CubePtr = std::shared_ptr<const LUTCube>;

// Whether applyRGBA may use the processor's vector instructions (on by default). Both
// paths give identical pixels; turning it off lets the portable path be checked.
void setVectorLookup(bool enabled);

} // namespace vidorra
