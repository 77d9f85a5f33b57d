#include "kit/IconTool.h"

#include "kit/HoverTip.h"
#include "kit/Icons.h"
#include "kit/Palette.h"

#include <QPainter>

namespace vidorra {

namespace {
constexpr double frame = 30.0;
constexpr double symbolSize = 14.0;
constexpr double hoverScale = 1.08;
} // namespace

IconTool::IconTool(const QString &symbol, const QString &help, bool on, bool dim, QWidget *parent)
    : HoverButton(120, parent), glyph(symbol), helpText(help), lit(on), dimmed(dim)
{
    setAccessibleName(help);
    setFixedSize(sizeHint());
}

IconTool::~IconTool()
{
    delete hoverTip.data();
}

void IconTool::setSymbol(const QString &symbol)
{
    glyph = symbol;
    update();
}

void IconTool::setHelp(const QString &help)
{
    helpText = help;
    setAccessibleName(help);
    if (hoverTip)
        hoverTip->setText(help);
}

void IconTool::setOn(bool on)
{
    lit = on;
    update();
}

void IconTool::setDim(bool dim)
{
    dimmed = dim;
    update();
}

double IconTool::scale() const
{
    return 1.0 + (hoverScale - 1.0) * hoverAmount();
}

QSize IconTool::sizeHint() const
{
    // Room for the hover growth so the circle is never clipped.
    const int side = qCeil(frame * hoverScale) + 2;
    return {side, side};
}

void IconTool::hoverChanged(bool on)
{
    if (on && !hoverTip) {
        hoverTip = new HoverTip(this);
        hoverTip->setText(helpText);
    }
    if (hoverTip)
        hoverTip->reveal(on && isEnabled());
}

void IconTool::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (dimmed)
        p.setOpacity(0.4);
    const double h = hoverAmount();
    const QPointF c = QRectF(rect()).center();
    p.translate(c);
    p.scale(scale(), scale());
    p.translate(-c);

    const QRectF box(c.x() - frame / 2, c.y() - frame / 2, frame, frame);
    if (h > 0.0) {
        p.setPen(Qt::NoPen);
        p.setBrush(faded(Glass::primary().on(this), 0.08 * h));
        p.drawEllipse(box);
    }
    const QColor color = lit ? Glass::orange().foreground.on(this)
                             : blend(Glass::secondary().on(this), Glass::primary().on(this), h);
    const QRectF symbolBox(c.x() - symbolSize / 2, c.y() - symbolSize / 2, symbolSize, symbolSize);
    Icons::paint(p, glyph, symbolBox, color, lit ? Icons::Weight::Medium : Icons::Weight::Light);
}

} // namespace vidorra
