#pragma once
// The picture of frame i: the top half is a row of 12 equal columns, a white start
// marker, ten bits of i (most significant first, white = 1) and a black end marker; the
// bottom half is one grey level that repeats i modulo 8 as a check. Large uniform areas
// survive compression and scaling down to about 64 pixels wide.

#include <QtGlobal>

namespace vidorra::fixture::pattern {

constexpr int kColumns = 12;
constexpr int kBits = 10;
constexpr int kMaxFrame = (1 << kBits) - 1;

// Grey value 0..255 of frame `index` at (x, y) in a width x height picture.
inline int levelAt(int index, int x, int y, int width, int height)
{
    if (y * 2 >= height)
        return 40 + (index % 8) * 25;
    const int column = qMin(kColumns - 1, x * kColumns / qMax(1, width));
    if (column == 0)
        return 255;
    if (column == kColumns - 1)
        return 0;
    const int bit = kBits - column;  // column 1 carries bit 9
    return ((index & kMaxFrame) >> bit) & 1 ? 255 : 0;
}

} // namespace vidorra::fixture::pattern
