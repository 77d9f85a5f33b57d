#include "kit/HoverButton.h"

#include "kit/Easing.h"

#include <QEnterEvent>

namespace vidorra {

HoverButton::HoverButton(int hoverMillis, QWidget *parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover, true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    anim.setDuration(hoverMillis);
    anim.setEasingCurve(easeOut());
    connect(&anim, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        amount = v.toDouble();
        update();
    });
}

void HoverButton::setTitle(const QString &title)
{
    setText(title);
    updateGeometry();
    update();
}

double HoverButton::hoverAmount() const
{
    return isEnabled() ? amount : 0.0;
}

void HoverButton::setHovered(bool on)
{
    if (hovered == on)
        return;
    hovered = on;
    anim.stop();
    anim.setStartValue(amount);
    anim.setEndValue(on ? 1.0 : 0.0);
    anim.start();
    hoverChanged(on);
    update();
}

void HoverButton::enterEvent(QEnterEvent *event)
{
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent *event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void HoverButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

} // namespace vidorra
