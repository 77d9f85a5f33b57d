#include "kit/Icons.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>
#include <functional>
#include <initializer_list>

namespace vidorra::Icons {

namespace {

// One symbol on a 24 x 24 grid: lines drawn with the weight's pen, and areas filled.
struct Glyph {
    QPainterPath stroke;
    QPainterPath fill;

    // Starts a new line in the stroke, straight from each point to the next.
    void line(std::initializer_list<QPointF> points)
    {
        auto it = points.begin();
        stroke.moveTo(*it);
        while (++it != points.end())
            stroke.lineTo(*it);
    }
};

QPainterPath sparkle(QPointF c, double r)
{
    // A four-pointed star with concave sides.
    QPainterPath p;
    p.moveTo(c.x(), c.y() - r);
    p.quadTo(c, QPointF(c.x() + r, c.y()));
    p.quadTo(c, QPointF(c.x(), c.y() + r));
    p.quadTo(c, QPointF(c.x() - r, c.y()));
    p.quadTo(c, QPointF(c.x(), c.y() - r));
    p.closeSubpath();
    return p;
}

QPainterPath folderOutline()
{
    QPainterPath p;
    p.moveTo(3, 7.5);
    p.quadTo(3, 5, 5.5, 5);
    p.lineTo(9.2, 5);
    p.quadTo(10.2, 5, 10.9, 5.8);
    p.lineTo(12, 7);
    p.lineTo(18.5, 7);
    p.quadTo(21, 7, 21, 9.5);
    p.lineTo(21, 17);
    p.quadTo(21, 19.5, 18.5, 19.5);
    p.lineTo(5.5, 19.5);
    p.quadTo(3, 19.5, 3, 17);
    p.closeSubpath();
    return p;
}

Glyph make(const QString &name)
{
    Glyph g;
    if (name == QLatin1String("arrow.uturn.backward")) {
        g.line({{5, 9}, {15, 9}});
        g.stroke.arcTo(QRectF(10, 9, 10, 10), 90, -180);
        g.stroke.lineTo(10, 19);
        g.line({{9, 5}, {5, 9}, {9, 13}});
    } else if (name == QLatin1String("trash")) {
        g.line({{3.5, 6.5}, {20.5, 6.5}});
        g.line({{9, 6.5}, {9, 4.5}});
        g.stroke.quadTo(9, 3.5, 10, 3.5);
        g.stroke.lineTo(14, 3.5);
        g.stroke.quadTo(15, 3.5, 15, 4.5);
        g.stroke.lineTo(15, 6.5);
        g.line({{5.5, 6.5}, {6.6, 19}});
        g.stroke.quadTo(6.8, 20.5, 8.3, 20.5);
        g.stroke.lineTo(15.7, 20.5);
        g.stroke.quadTo(17.2, 20.5, 17.4, 19);
        g.stroke.lineTo(18.5, 6.5);
        g.line({{10, 10.5}, {10.3, 16.5}});
        g.line({{14, 10.5}, {13.7, 16.5}});
    } else if (name == QLatin1String("wand.and.stars")) {
        g.line({{3.5, 20.5}, {14.5, 9.5}});
        g.line({{13, 8}, {16, 11}});
        g.fill.addPath(sparkle(QPointF(17.5, 4.5), 3.2));
        g.fill.addPath(sparkle(QPointF(20.5, 12), 2.2));
        g.fill.addPath(sparkle(QPointF(9, 4), 2.2));
    } else if (name == QLatin1String("pencil")) {
        g.line({{4, 20}, {5, 15.5}, {15.5, 5}});
        g.stroke.quadTo(17, 3.5, 18.5, 5);
        g.stroke.lineTo(19, 5.5);
        g.stroke.quadTo(20.5, 7, 19, 8.5);
        g.stroke.lineTo(8.5, 19);
        g.stroke.closeSubpath();
        g.line({{13.5, 7}, {17, 10.5}});
    } else if (name == QLatin1String("gearshape")) {
        QPainterPath gear;
        const QPointF c(12, 12);
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            // Each tooth: rise, top, fall, root.
            const double a = (i * 360.0 / (teeth * 4) - 90.0 + 360.0 / (teeth * 8)) * M_PI / 180.0;
            const double r = (i % 4 == 0 || i % 4 == 1) ? 9.6 : 7.2;
            const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            i == 0 ? gear.moveTo(pt) : gear.lineTo(pt);
        }
        gear.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(c, 3.2, 3.2);
        g.fill = gear.subtracted(hole);
    } else if (name == QLatin1String("sun.max")) {
        g.stroke.addEllipse(QPointF(12, 12), 4, 4);
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4.0;
            g.line({{12 + 7 * std::cos(a), 12 + 7 * std::sin(a)}, {12 + 9.5 * std::cos(a), 12 + 9.5 * std::sin(a)}});
        }
    } else if (name == QLatin1String("moon")) {
        QPainterPath disc;
        disc.addEllipse(QPointF(12, 12.5), 8, 8);
        QPainterPath bite;
        bite.addEllipse(QPointF(17.5, 7.5), 7, 7);
        g.stroke = disc.subtracted(bite);
    } else if (name == QLatin1String("folder")) {
        g.stroke = folderOutline();
        g.line({{3, 10}, {21, 10}});
    } else if (name == QLatin1String("folder.fill")) {
        g.fill = folderOutline();
    } else if (name == QLatin1String("arrow.right")) {
        g.line({{4, 12}, {19.5, 12}});
        g.line({{13.5, 6}, {19.5, 12}, {13.5, 18}});
    } else if (name == QLatin1String("play.fill")) {
        g.fill.moveTo(7, 4.8);
        g.fill.quadTo(7, 3.5, 8.2, 4.2);
        g.fill.lineTo(19.2, 11);
        g.fill.quadTo(20.2, 12, 19.2, 13);
        g.fill.lineTo(8.2, 19.8);
        g.fill.quadTo(7, 20.5, 7, 19.2);
        g.fill.closeSubpath();
    } else if (name == QLatin1String("xmark")) {
        g.line({{6, 6}, {18, 18}});
        g.line({{18, 6}, {6, 18}});
    } else if (name == QLatin1String("chevron.left")) {
        g.line({{15, 4.5}, {8, 12}, {15, 19.5}});
    } else if (name == QLatin1String("chevron.right")) {
        g.line({{9, 4.5}, {16, 12}, {9, 19.5}});
    } else if (name == QLatin1String("plus")) {
        g.line({{12, 4}, {12, 20}});
        g.line({{4, 12}, {20, 12}});
    } else if (name == QLatin1String("film.stack")) {
        g.stroke.addRoundedRect(QRectF(3, 8.5, 18, 12), 2, 2);
        g.line({{5.5, 6}, {18.5, 6}});
        g.line({{7.5, 3.5}, {16.5, 3.5}});
        for (int i = 0; i < 4; ++i) {
            g.fill.addRect(QRectF(5 + i * 4.2, 10, 1.6, 1.6));
            g.fill.addRect(QRectF(5 + i * 4.2, 17.4, 1.6, 1.6));
        }
    } else if (name == QLatin1String("sdcard")) {
        // A memory card: a rectangle with its corner cut, and its contacts.
        g.stroke.moveTo(9, 3);
        g.stroke.lineTo(18, 3);
        g.stroke.quadTo(19.5, 3, 19.5, 4.5);
        g.stroke.lineTo(19.5, 19.5);
        g.stroke.quadTo(19.5, 21, 18, 21);
        g.stroke.lineTo(6, 21);
        g.stroke.quadTo(4.5, 21, 4.5, 19.5);
        g.stroke.lineTo(4.5, 7.5);
        g.stroke.closeSubpath();
        for (int i = 0; i < 4; ++i)
            g.line({{9.5 + i * 2.6, 5.5}, {9.5 + i * 2.6, 8.5}});
    } else if (name == QLatin1String("checkmark")) {
        g.line({{5, 12.5}, {10, 17.5}, {19, 6.5}});
    }
    return g;
}

const Glyph &glyph(const QString &name)
{
    // Paths are built once per name on the main thread, where all painting happens.
    static QHash<QString, Glyph> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, make(name));
    return *it;
}

double penWidth(Weight weight)
{
    switch (weight) {
    case Weight::Light: return 1.4;
    case Weight::Regular: return 1.8;
    case Weight::Medium: return 2.1;
    case Weight::Semibold: return 2.5;
    }
    return 1.8;
}

class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString symbol, QColor color, Weight weight)
        : symbol(std::move(symbol)), color(color), weight(weight) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor c = color;
        if (mode == QIcon::Disabled)
            c.setAlphaF(c.alphaF() * 0.4f);
        Icons::paint(*painter, symbol, rect, c, weight);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // `size` is in device pixels already; draw the paths at that resolution.
        QPixmap pm(size);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
        return pm;
    }

    QIconEngine *clone() const override { return new SymbolEngine(symbol, color, weight); }
    QString key() const override { return QStringLiteral("vidorra.symbol"); }

private:
    QString symbol;
    QColor color;
    Weight weight;
};

} // namespace

bool has(const QString &symbol)
{
    const Glyph &g = glyph(symbol);
    return !g.stroke.isEmpty() || !g.fill.isEmpty();
}

void paint(QPainter &painter, const QString &symbol, const QRectF &box, const QColor &color, Weight weight)
{
    const Glyph &g = glyph(symbol);
    const double side = qMin(box.width(), box.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.center().x() - side / 2.0, box.center().y() - side / 2.0);
    painter.scale(side / 24.0, side / 24.0);
    if (!g.fill.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(g.fill);
    }
    if (!g.stroke.isEmpty()) {
        // Small symbols get a slightly heavier line so they read at 11 to 14 pixels.
        const double boost = side < 16 ? 16.0 / side : 1.0;
        QPen pen(color, penWidth(weight) * std::sqrt(boost), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(g.stroke);
    }
    painter.restore();
}

QIcon icon(const QString &symbol, const QColor &color, Weight weight)
{
    return QIcon(new SymbolEngine(symbol, color, weight));
}

} // namespace vidorra::Icons
