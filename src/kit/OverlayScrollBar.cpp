#include "kit/OverlayScrollBar.h"

#include "kit/Palette.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace vidorra {

namespace {
constexpr double minKnob = 28.0;
constexpr double inset = 2.0;
constexpr int idleMillis = 900;
} // namespace

OverlayScrollBar::OverlayScrollBar(QWidget *parent)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Vertical);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    idle.setSingleShot(true);
    idle.setInterval(idleMillis);
    connect(&idle, &QTimer::timeout, this, [this] {
        if (!hovered && !dragOffset)
            fadeTo(0.0);
    });
    fade.setDuration(250);
    connect(&fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        alpha = v.toDouble();
        update();
    });
}

QRectF OverlayScrollBar::knobRect() const
{
    const double span = maximum() - minimum();
    if (span <= 0 || height() <= 0)
        return {};
    const double track = height() - 2 * inset;
    const double length = qBound(minKnob, track * pageStep() / (span + pageStep()), track);
    const double top = inset + (track - length) * (value() - minimum()) / span;
    const double w = hovered || dragOffset ? 8.0 : 6.0;
    return {width() - inset - w, top, w, length};
}

int OverlayScrollBar::valueAt(double knobTop) const
{
    const QRectF k = knobRect();
    const double room = height() - 2 * inset - k.height();
    if (room <= 0)
        return minimum();
    const double f = qBound(0.0, (knobTop - inset) / room, 1.0);
    return minimum() + qRound(f * (maximum() - minimum()));
}

void OverlayScrollBar::paintEvent(QPaintEvent *)
{
    const QRectF k = knobRect();
    if (k.isEmpty() || alpha <= 0.0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath knob;
    knob.addRoundedRect(k, k.width() / 2, k.width() / 2);
    p.fillPath(knob, faded(Glass::primary().on(this), (hovered || dragOffset ? 0.5 : 0.35) * alpha));
}

void OverlayScrollBar::wake()
{
    fadeTo(1.0);
    idle.start();
}

void OverlayScrollBar::fadeTo(double target)
{
    if (fade.endValue().isValid() && fade.endValue().toDouble() == target
        && fade.state() == QAbstractAnimation::Running)
        return;
    fade.stop();
    fade.setStartValue(alpha);
    fade.setEndValue(target);
    fade.start();
}

void OverlayScrollBar::sliderChange(SliderChange change)
{
    QAbstractSlider::sliderChange(change);
    if (change == SliderValueChange)
        wake();
    update();
}

void OverlayScrollBar::mousePressEvent(QMouseEvent *event)
{
    const QRectF k = knobRect();
    if (k.isEmpty() || event->button() != Qt::LeftButton)
        return QAbstractSlider::mousePressEvent(event);
    const double y = event->position().y();
    if (y >= k.top() && y <= k.bottom()) {
        dragOffset = y - k.top();
        setSliderDown(true);
    } else {
        triggerAction(y < k.top() ? SliderPageStepSub : SliderPageStepAdd);
    }
    wake();
    event->accept();
}

void OverlayScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (dragOffset) {
        setSliderPosition(valueAt(event->position().y() - *dragOffset));
        event->accept();
        return;
    }
    QAbstractSlider::mouseMoveEvent(event);
}

void OverlayScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (dragOffset) {
        dragOffset.reset();
        setSliderDown(false);
        idle.start();
        update();
    }
    event->accept();
}

void OverlayScrollBar::enterEvent(QEnterEvent *event)
{
    hovered = true;
    if (maximum() > minimum())
        wake();
    QAbstractSlider::enterEvent(event);
}

void OverlayScrollBar::leaveEvent(QEvent *event)
{
    hovered = false;
    idle.start();
    update();
    QAbstractSlider::leaveEvent(event);
}

namespace {

// Keeps one area's overlay bar placed and its own scroll bar hidden, again after every
// resize and style change.
class Fixer : public QObject {
public:
    Fixer(QAbstractScrollArea *area, OverlayScrollBar *bar)
        : QObject(area), area(area), bar(bar)
    {
        setObjectName(QStringLiteral("vidorraOverlayScroller"));
        QScrollBar *own = area->verticalScrollBar();
        bar->setRange(own->minimum(), own->maximum());
        bar->setPageStep(own->pageStep());
        bar->setSingleStep(own->singleStep());
        bar->setValue(own->value());
        connect(own, &QScrollBar::rangeChanged, bar, [bar, own](int min, int max) {
            bar->setPageStep(own->pageStep());
            bar->setSingleStep(own->singleStep());
            bar->setRange(min, max);
        });
        connect(own, &QScrollBar::valueChanged, bar, &QAbstractSlider::setValue);
        connect(bar, &QAbstractSlider::valueChanged, own, &QScrollBar::setValue);
        area->installEventFilter(this);
        fix();
    }

    void fix()
    {
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const QRect r = area->rect();
        bar->setGeometry(r.right() + 1 - OverlayScrollBar::thickness, r.top(), OverlayScrollBar::thickness, r.height());
        bar->raise();
        bar->show();
    }

    OverlayScrollBar *overlay() const { return bar; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == area) {
            switch (event->type()) {
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::StyleChange:
            case QEvent::LayoutRequest:
                fix();
                break;
            default:
                break;
            }
        }
        return false;
    }

private:
    QAbstractScrollArea *area;
    OverlayScrollBar *bar;
};

} // namespace

OverlayScrollBar *OverlayScroller::install(QAbstractScrollArea *area)
{
    if (!area)
        return nullptr;
    for (QObject *child : area->children()) {
        if (auto *fixer = dynamic_cast<Fixer *>(child)) {
            fixer->fix();
            return fixer->overlay();
        }
    }
    auto *bar = new OverlayScrollBar(area);
    bar->setObjectName(QStringLiteral("overlayScrollBar"));
    new Fixer(area, bar);
    return bar;
}

} // namespace vidorra
