#include "kit/ChaosLayout.h"

#include <algorithm>
#include <cmath>

namespace vidorra {

QList<ChaosSlot> chaosFill(int count, double width, double height)
{
    QList<ChaosSlot> slots;
    if (count <= 0 || width <= 0 || height <= 0)
        return slots;
    const int columns = count <= 9 ? 3 : 4;
    const int rows = (count + columns - 1) / columns;
    const double cellW = std::max(0.0, (width - chaosGap * (columns - 1)) / columns);
    const double cellH = std::max(0.0, (height - chaosGap * (rows - 1)) / rows);
    slots.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int r = i / columns, c = i % columns;
        slots.append({i, QRectF(c * (cellW + chaosGap), r * (cellH + chaosGap), cellW, cellH)});
    }
    return slots;
}

QList<ChaosSlot> chaosRow(int count, double width, double height)
{
    QList<ChaosSlot> slots;
    if (count <= 0 || width <= 6 || height <= 0)
        return slots;
    const double unit = std::floor((width - 6) / 4);
    const double h = std::round(unit * 9 / 16);
    const double extra = width - (4 * unit + 6);
    if (unit <= 0 || h <= 0)
        return slots;

    const int rowsFit = std::max(1, int(std::ceil(height / (2 * h + 4))));
    const int capacity = rowsFit * 5;

    QList<int> shown;
    if (count > capacity) {
        const double step = double(count) / capacity;
        for (int i = 0; i < capacity; ++i)
            shown.append(std::min(count - 1, int(i * step)));
    } else {
        for (int i = 0; i < count; ++i)
            shown.append(i);
    }

    const int rows = (int(shown.size()) + 4) / 5;
    const double rowH = 2 * h + 2;
    const double total = rows * rowH + (rows - 1) * chaosGap;
    const double top = (height - total) / 2;

    for (int r = 0; r < rows; ++r) {
        const double y = top + r * (rowH + chaosGap);
        const bool mirrored = r % 2 == 1;
        // Even rows: large tile, then the block whose right column takes the extra width.
        // Odd rows: the block, then the large tile taking the extra width.
        const double largeX = mirrored ? 2 * unit + 4 : 0;
        const double largeW = mirrored ? 2 * unit + 2 + extra : 2 * unit + 2;
        const double blockX = mirrored ? 0 : 2 * unit + 4;
        const double col1W = mirrored ? unit : unit + extra;

        const auto at = [&](int k) { return r * 5 + k < shown.size() ? shown[r * 5 + k] : -1; };
        slots.append({at(0), QRectF(largeX, y, largeW, rowH)});
        for (int k = 0; k < 4; ++k) {
            const int br = k / 2, bc = k % 2;
            const double x = blockX + bc * (unit + chaosGap);
            slots.append({at(k + 1), QRectF(x, y + br * (h + chaosGap), bc ? col1W : unit, h)});
        }
    }
    return slots;
}

QList<ChaosSlot> chaosLayout(int count, double width, double height)
{
    return count <= chaosGridLimit ? chaosFill(count, width, height) : chaosRow(count, width, height);
}

} // namespace vidorra
