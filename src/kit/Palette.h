#pragma once
// The window's colours. Every colour comes in a light and a dark variant; a widget picks
// the variant from the palette it is painted with, which the appearance switch sets.

#include <QColor>
#include <QPalette>
#include <QString>

class QWidget;

namespace vidorra {

enum class Scheme { Light, Dark };

// Dark when the widget's window colour is dark, so widgets follow whatever palette
// the application (or a test) gives them.
Scheme schemeOf(const QPalette &palette);
Scheme schemeOf(const QWidget *widget);

// One colour with a light and a dark variant.
struct Dyn {
    QColor light;
    QColor dark;
    QColor in(Scheme scheme) const { return scheme == Scheme::Dark ? dark : light; }
    QColor on(const QWidget *widget) const { return in(schemeOf(widget)); }
};
Dyn dyn(const QColor &light, const QColor &dark);

// A foreground with the background it sits on (profile pills, badges).
struct Pill {
    Dyn foreground;
    Dyn background;
};

// `color` with its alpha multiplied by `opacity`.
QColor faded(QColor color, double opacity);
// Straight blend of two colours in sRGB, t = 0 gives `from`, t = 1 gives `to`.
QColor blend(const QColor &from, const QColor &to, double t);

namespace Glass {
Dyn accent();
Dyn chip();
Dyn tool();
Dyn placeholder();
Pill orange();
Pill green();
Pill gray();
// The primary and secondary text colours of the window.
Dyn primary();
Dyn secondary();
} // namespace Glass

Dyn solidFill();
Dyn solidText();

// "D-Log" is orange, "D-Log 2" green, every other profile gray.
Pill profilePill(const QString &profile);

// The colour of a white-balance text: neutral near 5000 K, towards blue below and amber
// above, fully so 1500 K away; the secondary text colour when the text is not a number.
QColor temperatureColor(const QString &kelvin, Scheme scheme);

// Background of the window and the intro mosaic.
Dyn windowBackground();

// A complete widget palette for one scheme (used with the Fusion style).
QPalette appPalette(Scheme scheme);

} // namespace vidorra
