#include "Scene.h"

#include <cmath>

namespace vidorra::fixture::scene {

void row(uchar *rgb, int y, int width, int height, int index, int scene, bool flat, double fps)
{
    const int w = width, h = height;
    const double t = index / qMax(1.0, fps);
    const double hue = std::fmod(scene * 0.137, 1.0);
    auto sky = [&](double v, double &r, double &g, double &b) {
        // From a warm horizon to a deeper tone above, turned by the scene's hue.
        const double a = 2 * M_PI * hue;
        r = 0.55 + 0.35 * std::cos(a) * (1 - v) + 0.25 * v;
        g = 0.50 + 0.25 * std::cos(a + 2.1) * (1 - v) + 0.2 * (1 - v);
        b = 0.55 + 0.40 * std::cos(a + 4.2) * v + 0.3 * v;
    };
    const double sunX = 0.15 + 0.7 * std::fmod(t / 6.0 + scene * 0.21, 1.0);
    const double sunY = 0.28 + 0.08 * std::sin(scene);
    const double v = double(y) / h;
    for (int x = 0; x < w; ++x) {
        const double u = double(x) / w;
        double r, g, b;
        sky(1 - v, r, g, b);
        const double dx = (u - sunX) * w / h, dy = v - sunY;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < 0.07) {
            r = 1.0; g = 0.93; b = 0.7;
        } else {
            const double glow = 0.25 * std::exp(-d * 6);
            r += glow; g += glow * 0.8; b += glow * 0.4;
        }
        // Two ranges of hills, the nearer one moving faster.
        const double far = 0.62 + 0.06 * std::sin(u * 7 + t * 0.3 + scene);
        const double near = 0.74 + 0.08 * std::sin(u * 4.3 - t * 0.8 + scene * 1.7);
        if (v > near) {
            const double shade = 0.6 + 0.4 * (1 - (v - near) / (1 - near));
            r = 0.16 * shade; g = (0.36 + 0.1 * std::sin(scene)) * shade; b = 0.18 * shade;
        } else if (v > far) {
            r = r * 0.35 + 0.08; g = g * 0.35 + 0.16; b = b * 0.35 + 0.2;
        }
        if (flat) {
            // Log footage: lifted blacks, compressed highlights, little saturation.
            const double l = 0.3 * r + 0.59 * g + 0.11 * b;
            r = 0.3 + 0.45 * (l + 0.45 * (r - l));
            g = 0.3 + 0.45 * (l + 0.45 * (g - l));
            b = 0.3 + 0.45 * (l + 0.45 * (b - l));
        }
        rgb[size_t(x) * 3] = uchar(qBound(0.0, r, 1.0) * 255);
        rgb[size_t(x) * 3 + 1] = uchar(qBound(0.0, g, 1.0) * 255);
        rgb[size_t(x) * 3 + 2] = uchar(qBound(0.0, b, 1.0) * 255);
    }
}

} // namespace vidorra::fixture::scene
