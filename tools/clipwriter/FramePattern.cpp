#include "ClipFixture.h"
#include "FramePattern.h"
#include "Scene.h"
#include "VideoEncoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

void drawScene(uchar *rgba, int width, int height, qsizetype bytesPerLine, int index, int scene, bool flat,
               double fps)
{
    std::vector<uchar> rgb(size_t(qMax(0, width)) * 3);
    for (int y = 0; y < height; ++y) {
        scene::row(rgb.data(), y, width, height, index, scene, flat, fps);
        uchar *row = rgba + y * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            std::copy_n(rgb.data() + size_t(x) * 3, 3, row + 4 * x);
            row[4 * x + 3] = 255;
        }
    }
}

namespace {

// Reads the picture as the pattern was drawn, through one of the four quarter turns a
// player may have applied for the clip's rotation: (u, v) are coordinates in the upright
// picture of size w x h, mapped to the stored pixels.
struct View {
    const uchar *px;
    int width, height;           // stored picture
    qsizetype bytesPerLine;
    int turn;                    // clockwise quarter turns applied to the upright picture
    int w() const { return turn % 2 ? height : width; }
    int h() const { return turn % 2 ? width : height; }
    double grey(int u, int v) const
    {
        int x = u, y = v;
        switch (turn) {
        case 1: x = width - 1 - v; y = u; break;
        case 2: x = width - 1 - u; y = height - 1 - v; break;
        case 3: x = v; y = height - 1 - u; break;
        default: break;
        }
        const uchar *p = px + y * bytesPerLine + 4 * x;
        return (p[0] + p[1] + p[2]) / 3.0;
    }
    // Mean grey of a small patch around (cu, cv).
    double mean(int cu, int cv, int radius) const
    {
        double sum = 0;
        int n = 0;
        for (int v = qMax(0, cv - radius); v <= qMin(h() - 1, cv + radius); ++v)
            for (int u = qMax(0, cu - radius); u <= qMin(w() - 1, cu + radius); ++u) {
                sum += grey(u, v);
                ++n;
            }
        return n ? sum / n : -1;
    }
};

int read(const View &view)
{
    const int width = view.w(), height = view.h();
    if (width < pattern::kColumns || height < 4)
        return -1;
    const int columnWidth = width / pattern::kColumns;
    const int radius = qMax(0, qMin(columnWidth, height / 2) / 5);
    const int bandY = height / 4;
    auto column = [&](int c) { return view.mean(int((c + 0.5) * width / pattern::kColumns), bandY, radius); };
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
    const double grey = view.mean(width / 2, height * 3 / 4, qMax(0, qMin(width, height) / 10));
    const double step = (grey - 40) / 25;
    if (std::abs(step - std::round(step)) > 0.4 || std::lround(step) != index % 8)
        return -1;
    return index;
}

} // namespace

int frameNumberOf(const uchar *rgba, int width, int height, qsizetype bytesPerLine)
{
    if (!rgba || width < 1 || height < 1 || bytesPerLine < qsizetype(width) * 4)
        return -1;
    for (int turn = 0; turn < 4; ++turn)
        if (const int n = read({rgba, width, height, bytesPerLine, turn}); n >= 0)
            return n;
    return -1;
}

} // namespace vidorra::fixture
