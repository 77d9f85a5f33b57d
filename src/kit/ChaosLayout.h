#pragma once
// Where the tiles of the intro mosaic stand. Pure geometry: the mosaic widget places
// one looping tile per slot.

#include <QList>
#include <QRectF>

namespace vidorra {

struct ChaosSlot {
    int clip = -1;   // position in the scan result's clip list; -1 for an empty block cell
    QRectF rect;
};

// Up to this many clips the mosaic is a plain grid; above it, rows of five.
inline constexpr int chaosGridLimit = 12;
inline constexpr double chaosGap = 2.0;

// A plain grid filling width x height: 3 columns for up to 9 clips, else 4.
QList<ChaosSlot> chaosFill(int count, double width, double height);

// Rows of one large tile beside a 2 x 2 block, alternating sides, every row exactly
// `width` wide and the rows centred vertically. When more clips exist than the rows can
// hold, an evenly spread sample of them is shown.
QList<ChaosSlot> chaosRow(int count, double width, double height);

// The mosaic for `count` clips: chaosFill up to chaosGridLimit, else chaosRow.
QList<ChaosSlot> chaosLayout(int count, double width, double height);

} // namespace vidorra
