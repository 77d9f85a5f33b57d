#include "kit/HoverTip.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace vidorra {

namespace {
constexpr double padX = 7.0;
constexpr double padY = 3.0;
constexpr int gap = 4;
} // namespace

HoverTip::HoverTip(QWidget *anchorWidget)
    : QWidget(anchorWidget->window()), anchor(anchorWidget)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setFocusPolicy(Qt::NoFocus);
    hide();
    fade.setDuration(120);
    connect(&fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        alpha = v.toDouble();
        update();
    });
    connect(&fade, &QVariantAnimation::finished, this, [this] {
        if (alpha <= 0.0)
            hide();
    });
}

void HoverTip::setText(const QString &text)
{
    label = text;
    if (isVisible())
        place();
    update();
}

void HoverTip::reveal(bool on)
{
    if (!anchor)
        return;
    if (on) {
        // The anchor may have moved to another window since the tip was made.
        if (parentWidget() != anchor->window())
            setParent(anchor->window());
        place();
        show();
        raise();
    }
    fade.stop();
    fade.setStartValue(alpha);
    fade.setEndValue(on ? 1.0 : 0.0);
    fade.start();
}

void HoverTip::place()
{
    if (!anchor || !parentWidget())
        return;
    const QFontMetricsF fm(Fonts::sans(10));
    const QSize size(qCeil(fm.horizontalAdvance(label) + 2 * padX) + 2, qCeil(fm.height() + 2 * padY) + 2);
    const QPoint top = anchor->mapTo(parentWidget(), QPoint(anchor->width() / 2, 0));
    int x = top.x() - size.width() / 2;
    int y = top.y() - gap - size.height();
    if (y < 2) // no room above: show it under the anchor instead
        y = anchor->mapTo(parentWidget(), QPoint(0, anchor->height())).y() + gap;
    x = qBound(2, x, qMax(2, parentWidget()->width() - size.width() - 2));
    setGeometry(QRect(QPoint(x, y), size));
}

void HoverTip::paintEvent(QPaintEvent *)
{
    if (alpha <= 0.0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(alpha);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, solidFill().on(this));
    p.setPen(QPen(faded(Glass::primary().on(this), 0.12), 1.0));
    p.drawPath(capsule);
    p.setPen(solidText().on(this));
    p.setFont(Fonts::sans(10));
    p.drawText(r, Qt::AlignCenter, label);
}

} // namespace vidorra
