#include "kit/CardIcon.h"

#include "kit/Icons.h"
#include "kit/Palette.h"

#include <QPainter>

namespace vidorra {

CardIcon::CardIcon(const QString &symbol, const QString &help, bool active, QWidget *parent)
    : HoverButton(120, parent), glyph(symbol), lit(active)
{
    setHelp(help);
    setFixedSize(sizeHint());
}

void CardIcon::setHelp(const QString &help)
{
    setToolTip(help);
    setAccessibleName(help);
}

void CardIcon::setActive(bool active)
{
    lit = active;
    update();
}

void CardIcon::paintEvent(QPaintEvent *)
{
    // The icon sits on the picture, so it keeps its own dark disc in both appearances.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor disc = lit ? Glass::accent().light : QColor(0, 0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? disc : faded(disc, 0.45 + 0.2 * hoverAmount()));
    p.drawEllipse(r);
    const double s = 13.0;
    Icons::paint(p, glyph, QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s), Qt::white,
                 lit ? Icons::Weight::Semibold : Icons::Weight::Medium);
}

} // namespace vidorra
