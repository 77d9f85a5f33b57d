#pragma once
// A colour lookup table: N^3 RGBA float entries, red varying fastest, sampled from an
// AutoGrade or read from a file. Immutable once built and shared between threads without
// locks.

#include "preview/AutoGrade.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vidorra {

// For each channel, where each 8-bit input value falls along that axis of the lattice,
// in lattice steps: 0 is the first point, size - 1 the last. A table's input domain and
// its 1D shaper curve are folded into these positions.
using AxisPositions = std::array<std::array<double, 256>, 3>;

class LUTCube {
public:
    // Builds the table for `grade` with `size` lattice points per axis (at least 2;
    // smaller values are raised to 2).
    explicit LUTCube(const AutoGrade &grade, qint64 size = 33);
    // A table given by its lattice outputs: size^3 RGB triples, red fastest (size 2 to
    // 256; `rgb` holds exactly 3 * size^3 finite values). Outputs outside 0..1 are kept in
    // `data` and clamped when pixels are graded; positions outside 0..size-1 are clamped.
    LUTCube(qint64 size, std::span<const float> rgb, const AxisPositions &positions);

    // Input value v sits at v * (size - 1) / 255 on every axis: the domain 0..1.
    static AxisPositions plainPositions(qint64 size);

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
    void buildLookup(const AxisPositions &positions);

    QString id_;
    qint64 size_;
    QByteArray data_;
    // Integer form of the table for the 8-bit lookup: each entry four signed 16-bit
    // lanes (red, green, blue, 0) in 12-bit fixed point, 4080 = 1.0, held to -2..4. The
    // red step of the interpolation is done ahead for every 8-bit red value: entry
    // (r8, g, b) at r8 + 256 * (g + N * b), which leaves two steps and four loads per pixel.
    std::vector<quint64> redTable_;
    // Per 8-bit input value: the offset of its lower lattice cell in redTable_ along
    // green and blue, and the interpolation weight in 1/32768ths, repeated for SIMD.
    std::array<quint32, 256> offsetG_{}, offsetB_{};
    struct alignas(16) Weight { qint16 lane[8]; };
    std::array<Weight, 256> weightG_{}, weightB_{};
};

using CubePtr = std::shared_ptr<const LUTCube>;

// Whether applyRGBA may use the processor's vector instructions (on by default). Both
// paths give identical pixels; turning it off lets the portable path be checked.
void setVectorLookup(bool enabled);

} // namespace vidorra
