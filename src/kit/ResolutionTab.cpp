#include "kit/ResolutionTab.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {
constexpr double nameSize = 26.0;
constexpr double countSize = 11.0;
constexpr double partGap = 5.0;
constexpr double liftRoom = 2.0;   // the hover lift must not clip the name
constexpr double lineGap = 7.0;
constexpr double lineHeight = 2.5;

QFont nameFont(bool on)
{
    return Fonts::sans(nameSize, on ? Fonts::Weight::Regular : Fonts::Weight::Light);
}
QFont countFont() { return Fonts::sans(countSize); }
} // namespace

ResolutionTab::ResolutionTab(const QString &name, int count, bool on, QWidget *parent)
    : HoverButton(180, parent), title(name), number(count), selected(on), stops(defaultLine())
{
    setAccessibleName(name);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ResolutionTab::setCount(int count)
{
    number = count;
    updateGeometry();
    update();
}

void ResolutionTab::setOn(bool on)
{
    if (selected == on)
        return;
    selected = on;
    updateGeometry();
    update();
}

void ResolutionTab::setLine(const QGradientStops &s)
{
    stops = s;
    update();
}

void ResolutionTab::setSharedLine(bool s)
{
    shared = s;
    update();
}

QGradientStops ResolutionTab::defaultLine()
{
    return {{0.0, QColor(228, 87, 13)}, {1.0, QColor(255, 160, 90)}};
}

double ResolutionTab::lift() const
{
    return selected ? 0.0 : liftRoom * hoverAmount();
}

QSize ResolutionTab::sizeHint() const
{
    // Width of the selected (regular) face so the row does not jump when selection moves.
    const QFontMetricsF name(nameFont(true));
    const QFontMetricsF light(nameFont(false));
    const QFontMetricsF count(countFont());
    const double w = qMax(name.horizontalAdvance(title), light.horizontalAdvance(title)) + partGap
        + count.horizontalAdvance(QString::number(number));
    const double h = liftRoom + name.height() + lineGap + lineHeight;
    return {qCeil(w) + 1, qCeil(h)};
}

QRectF ResolutionTab::underlineRect() const
{
    const QFontMetricsF name(nameFont(true));
    return {0.0, liftRoom + name.height() + lineGap, double(width()), lineHeight};
}

void ResolutionTab::paintLine(QPainter &p, const QRectF &r, const QGradientStops &stops)
{
    if (r.isEmpty())
        return;
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setStops(stops);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, g);
}

void ResolutionTab::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const double h = hoverAmount();
    const QFont nf = nameFont(selected);
    const QFontMetricsF nm(nf);
    const double baseline = liftRoom + nm.ascent() - lift();

    p.setFont(nf);
    p.setPen(selected ? Glass::primary().on(this)
                      : blend(Glass::secondary().on(this), Glass::primary().on(this), h));
    p.drawText(QPointF(0, baseline), title);

    p.setFont(countFont());
    p.setPen(Glass::secondary().on(this));
    p.drawText(QPointF(nm.horizontalAdvance(title) + partGap, baseline), QString::number(number));

    if (selected && !shared)
        paintLine(p, underlineRect(), stops);
}

} // namespace vidorra
