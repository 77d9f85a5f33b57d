#include "kit/SortButton.h"

#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {
constexpr double capsuleHeight = 34.0;
constexpr double margin = 16.0;
constexpr double symbolSize = 11.0;
constexpr double gap = 6.0;
constexpr double maxShift = 3.0;
QFont titleFont() { return Fonts::sans(13, Fonts::Weight::Medium); }
} // namespace

SortButton::SortButton(const QString &title, bool enabled, QWidget *parent)
    : HoverButton(200, parent)
{
    setText(title);
    setEnabled(enabled);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor SortButton::fillColor() const
{
    return blend(solidFill().on(this), Glass::orange().foreground.on(this), hoverAmount());
}

QColor SortButton::textColor() const
{
    return blend(solidText().on(this), QColor(Qt::white), hoverAmount());
}

QSize SortButton::sizeHint() const
{
    const double w = 2 * margin + QFontMetricsF(titleFont()).horizontalAdvance(text()) + gap + symbolSize + maxShift;
    return {qCeil(w) + 2, int(capsuleHeight) + 2};
}

void SortButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        p.setOpacity(0.28);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, fillColor());
    // A hairline keeps the white capsule visible on the light window.
    if (hoverAmount() < 1.0) {
        p.setPen(QPen(faded(Glass::primary().on(this), 0.10 * (1.0 - hoverAmount())), 1.0));
        p.drawPath(capsule);
    }

    const QFont font = titleFont();
    const QFontMetricsF fm(font);
    const double contentW = fm.horizontalAdvance(text()) + gap + symbolSize;
    double x = r.center().x() - (contentW + maxShift) / 2;
    p.setFont(font);
    p.setPen(textColor());
    p.drawText(QPointF(x, r.center().y() + (fm.ascent() - fm.descent()) / 2), text());
    x += fm.horizontalAdvance(text()) + gap + arrowShift();
    Icons::paint(p, QStringLiteral("arrow.right"), QRectF(x, r.center().y() - symbolSize / 2, symbolSize, symbolSize),
                 textColor(), Icons::Weight::Semibold);
}

} // namespace vidorra
