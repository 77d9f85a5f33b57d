#pragma once
// The column rule of the card grid of an open pile.

namespace vidorra {

struct GridMetrics {
    int columns = 1;
    double cardWidth = 0;
    int rowHeight = 0;   // picture (16:9 of the card width) plus the text lines
};

inline constexpr double gridMargin = 8;     // left and right, 16 in all
inline constexpr double gridSpacing = 10;   // between columns and between rows
inline constexpr double gridMinCell = 200;

// Columns = (width - 16 + 10) / 200, at least 1; the cards share the rest evenly.
GridMetrics gridMetrics(double width);

} // namespace vidorra
