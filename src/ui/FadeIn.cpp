#include "FadeIn.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

namespace vidorra {

void fadeIn(QWidget *page, int ms, QEasingCurve::Type curve)
{
    if (!page || !page->isVisible() || ms <= 0)
        return;
    // A fade still running on this page restarts from transparent.
    auto *effect = new QGraphicsOpacityEffect(page);
    effect->setOpacity(0.0);
    page->setGraphicsEffect(effect);
    auto *animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(ms);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(curve);
    QPointer<QWidget> target(page);
    QObject::connect(animation, &QPropertyAnimation::finished, effect, [target, effect] {
        // Only the effect this fade installed is taken away; a newer fade keeps its own.
        if (target && target->graphicsEffect() == effect)
            target->setGraphicsEffect(nullptr);
    });
    animation->start();
}

} // namespace vidorra
