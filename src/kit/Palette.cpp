#include "kit/Palette.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace vidorra {

Scheme schemeOf(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? Scheme::Dark : Scheme::Light;
}

Scheme schemeOf(const QWidget *widget)
{
    return widget ? schemeOf(widget->palette()) : Scheme::Light;
}

Dyn dyn(const QColor &light, const QColor &dark)
{
    return Dyn{light, dark};
}

QColor faded(QColor color, double opacity)
{
    color.setAlphaF(float(std::clamp(color.alphaF() * opacity, 0.0, 1.0)));
    return color;
}

QColor blend(const QColor &from, const QColor &to, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto mix = [t](float a, float b) { return a + (b - a) * float(t); };
    QColor out;
    out.setRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
    return out;
}

static QColor rgb(int r, int g, int b, double alpha = 1.0)
{
    QColor c(r, g, b);
    c.setAlphaF(float(alpha));
    return c;
}

namespace Glass {
Dyn accent() { return dyn(rgb(228, 87, 13), rgb(255, 138, 61)); }
Dyn chip() { return dyn(rgb(0, 0, 0, 0.055), rgb(255, 255, 255, 0.05)); }
Dyn tool() { return dyn(rgb(255, 255, 255, 0.56), rgb(255, 255, 255, 0.06)); }
Dyn placeholder() { return dyn(rgb(221, 216, 210), rgb(26, 34, 51)); }
Pill orange()
{
    return {dyn(rgb(228, 87, 13), rgb(255, 138, 61)), dyn(rgb(255, 234, 214), rgb(255, 138, 31, 0.16))};
}
Pill green()
{
    return {dyn(rgb(14, 159, 110), rgb(52, 211, 153)), dyn(rgb(223, 245, 231), rgb(34, 197, 94, 0.16))};
}
Pill gray() { return {secondary(), chip()}; }
Dyn primary() { return dyn(rgb(0, 0, 0, 0.85), rgb(255, 255, 255, 0.85)); }
Dyn secondary() { return dyn(rgb(0, 0, 0, 0.50), rgb(255, 255, 255, 0.55)); }
} // namespace Glass

Dyn solidFill() { return dyn(rgb(255, 255, 255), rgb(17, 17, 19)); }
Dyn solidText() { return dyn(rgb(0, 0, 0), rgb(255, 255, 255)); }

Pill profilePill(const QString &profile)
{
    if (profile == QLatin1String("D-Log"))
        return Glass::orange();
    if (profile == QLatin1String("D-Log 2"))
        return Glass::green();
    return Glass::gray();
}

QColor temperatureColor(const QString &kelvin, Scheme scheme)
{
    bool ok = false;
    const double k = kelvin.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(k))
        return Glass::secondary().in(scheme);
    const double d = std::abs(k - 5000.0);
    const double t = d < 200.0 ? 0.0 : std::pow(std::min((d - 200.0) / 1300.0, 1.0), 0.6);
    const Dyn neutral = dyn(rgb(110, 106, 102), rgb(154, 163, 178));
    const Dyn cool = dyn(rgb(31, 102, 224), rgb(125, 181, 255));
    const Dyn warm = dyn(rgb(184, 120, 0), rgb(255, 201, 77));
    return blend(neutral.in(scheme), (k < 5000.0 ? cool : warm).in(scheme), t);
}

Dyn windowBackground() { return dyn(rgb(245, 242, 236), rgb(19, 20, 23)); }

QPalette appPalette(Scheme scheme)
{
    const bool dark = scheme == Scheme::Dark;
    const QColor window = windowBackground().in(scheme);
    const QColor text = dark ? rgb(236, 236, 238) : rgb(30, 30, 32);
    const QColor muted = dark ? rgb(150, 150, 156) : rgb(120, 118, 115);
    const QColor base = solidFill().in(scheme);
    const QColor button = dark ? rgb(38, 39, 44) : rgb(252, 250, 247);
    const QColor accent = Glass::accent().in(scheme);

    QPalette p;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, off ? muted : text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, dark ? rgb(28, 29, 33) : rgb(240, 237, 231));
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, solidText().in(scheme));
        p.setColor(group, QPalette::PlaceholderText, muted);
        p.setColor(group, QPalette::Text, off ? muted : text);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::ButtonText, off ? muted : text);
        p.setColor(group, QPalette::BrightText, rgb(255, 255, 255));
        p.setColor(group, QPalette::Light, dark ? rgb(60, 61, 66) : rgb(255, 255, 255));
        p.setColor(group, QPalette::Midlight, dark ? rgb(48, 49, 54) : rgb(236, 233, 228));
        p.setColor(group, QPalette::Mid, dark ? rgb(36, 37, 41) : rgb(200, 196, 190));
        p.setColor(group, QPalette::Dark, dark ? rgb(12, 12, 14) : rgb(160, 156, 150));
        p.setColor(group, QPalette::Shadow, rgb(0, 0, 0));
        p.setColor(group, QPalette::Highlight, off ? muted : accent);
        p.setColor(group, QPalette::HighlightedText, rgb(255, 255, 255));
        p.setColor(group, QPalette::Link, accent);
        p.setColor(group, QPalette::LinkVisited, accent);
    }
    return p;
}

} // namespace vidorra
