#include "kit/FadeIn.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include <algorithm>

namespace vidorra {

namespace {

// The window's background colour over a page, from opaque to clear, following the page's
// size. Clicks go through to the page.
class FadeVeil : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal cover READ cover WRITE setCover)
public:
    explicit FadeVeil(QWidget *page)
        : QWidget(page), colour(page->window()->palette().color(QPalette::Window))
    {
        setObjectName(QStringLiteral("fadeVeil"));
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
        setGeometry(page->rect());
        page->installEventFilter(this);
        raise();
        show();
    }

    qreal cover() const { return amount; }
    void setCover(qreal value)
    {
        amount = value;
        update();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent()) {
            if (event->type() == QEvent::Resize)
                setGeometry(parentWidget()->rect());
            else if (event->type() == QEvent::ChildAdded)
                raise(); // stay above widgets the page adds meanwhile
        }
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        QColor c = colour;
        c.setAlphaF(std::clamp(amount, 0.0, 1.0) * colour.alphaF());
        QPainter(this).fillRect(rect(), c);
    }

private:
    QColor colour;
    qreal amount = 1.0;
};

// A still picture of a layer that has gone, fading out where it stood.
class FadeGhost : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    FadeGhost(QWidget *layer, QPixmap picture) : QWidget(layer->parentWidget()), still(std::move(picture))
    {
        setObjectName(QStringLiteral("fadeGhost"));
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
        setGeometry(layer->geometry());
        stackUnder(layer);
        show();
    }
    qreal opacity() const { return amount; }
    void setOpacity(qreal value)
    {
        amount = value;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setOpacity(std::clamp(amount, 0.0, 1.0));
        p.drawPixmap(0, 0, still);
    }

private:
    QPixmap still;
    qreal amount = 1.0;
};

} // namespace

void fadeIn(QWidget *page, int ms, QEasingCurve::Type curve)
{
    if (!page || !page->isVisible() || ms <= 0)
        return;
    // A fade still running on this page gives way to this one, which starts opaque.
    for (FadeVeil *old : page->findChildren<FadeVeil *>(Qt::FindDirectChildrenOnly))
        old->deleteLater();
    auto *veil = new FadeVeil(page);
    auto *animation = new QPropertyAnimation(veil, "cover", veil);
    animation->setDuration(ms);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setEasingCurve(curve);
    QObject::connect(animation, &QPropertyAnimation::finished, veil, &QObject::deleteLater);
    animation->start();
}

void fadeInLayer(QWidget *layer, int ms, QEasingCurve::Type curve)
{
    if (!layer || !layer->isVisible() || ms <= 0)
        return;
    // A fade still running on this layer restarts from transparent.
    auto *effect = new QGraphicsOpacityEffect(layer);
    effect->setOpacity(0.0);
    layer->setGraphicsEffect(effect);
    auto *animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(ms);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(curve);
    QPointer<QWidget> target(layer);
    QObject::connect(animation, &QPropertyAnimation::finished, effect, [target, effect] {
        // Only the effect this fade installed is taken away; a newer fade keeps its own.
        if (target && target->graphicsEffect() == effect)
            target->setGraphicsEffect(nullptr);
    });
    animation->start();
}

void fadeOutLayer(QWidget *layer, int ms, QEasingCurve::Type curve)
{
    if (!layer)
        return;
    if (!layer->isVisible() || !layer->parentWidget() || ms <= 0) {
        layer->hide();
        return;
    }
    auto *ghost = new FadeGhost(layer, layer->grab());
    layer->hide();
    auto *animation = new QPropertyAnimation(ghost, "opacity", ghost);
    animation->setDuration(ms);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setEasingCurve(curve);
    QObject::connect(animation, &QPropertyAnimation::finished, ghost, &QObject::deleteLater);
    animation->start();
}

} // namespace vidorra

#include "FadeIn.moc"
