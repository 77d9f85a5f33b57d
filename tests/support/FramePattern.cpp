#include "ClipFixture.h"
#include "FramePattern.h"
#include "VideoEncoder.h"

#include <cmath>

namespace vidorra::fixture {

void drawFrame(uchar *rgba, int width, int height, qsizetype bytesPerLine, int index)
{
    for (int y = 0; y < height; ++y) {
        uchar *row = rgba + y * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            const uchar v = uchar(pattern::levelAt(index, x, y, width, height));
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = v;
            row[4 * x + 3] = 255;
        }
    }
}

namespace {

// Mean grey of a small patch around (cx, cy), from the three colour bytes.
double meanGrey(const uchar *px, int width, int height, qsizetype bytesPerLine, int cx, int cy, int radius)
{
    double sum = 0;
    int n = 0;
    for (int y = qMax(0, cy - radius); y <= qMin(height - 1, cy + radius); ++y)
        for (int x = qMax(0, cx - radius); x <= qMin(width - 1, cx + radius); ++x) {
            const uchar *p = px + y * bytesPerLine + 4 * x;
            sum += (p[0] + p[1] + p[2]) / 3.0;
            ++n;
        }
    return n ? sum / n : -1;
}

} // namespace

int frameNumberOf(const uchar *rgba, int width, int height, qsizetype bytesPerLine)
{
    if (!rgba || width < pattern::kColumns || height < 4 || bytesPerLine < qsizetype(width) * 4)
        return -1;
    const int columnWidth = width / pattern::kColumns;
    const int radius = qMax(0, qMin(columnWidth, height / 2) / 5);
    const int bandY = height / 4;
    auto column = [&](int c) {
        const int cx = int((c + 0.5) * width / pattern::kColumns);
        return meanGrey(rgba, width, height, bytesPerLine, cx, bandY, radius);
    };
    // Clear decisions only: anything between the two thresholds is not our pattern.
    auto bitOf = [](double v) { return v >= 170 ? 1 : v <= 85 ? 0 : -1; };
    if (bitOf(column(0)) != 1 || bitOf(column(pattern::kColumns - 1)) != 0)
        return -1;
    int index = 0;
    for (int c = 1; c <= pattern::kBits; ++c) {
        const int b = bitOf(column(c));
        if (b < 0)
            return -1;
        index = (index << 1) | b;
    }
    const double grey = meanGrey(rgba, width, height, bytesPerLine, width / 2, height * 3 / 4,
                                 qMax(0, qMin(width, height) / 10));
    const double step = (grey - 40) / 25;
    if (std::abs(step - std::round(step)) > 0.4 || std::lround(step) != index % 8)
        return -1;
    return index;
}

} // namespace vidorra::fixture
