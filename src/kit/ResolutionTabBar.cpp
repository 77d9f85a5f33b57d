#include "kit/ResolutionTabBar.h"

#include "kit/HoverButton.h"
#include "kit/ResolutionTab.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace vidorra {

ResolutionTabBar::ResolutionTabBar(QWidget *parent)
    : QWidget(parent)
{
    row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(26);
    row->addStretch(1);
    // A gentle spring: quick start, settles without a visible bounce.
    slide.setDuration(340);
    slide.setEasingCurve(QEasingCurve::OutCubic);
    connect(&slide, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        line = v.toRectF();
        update();
    });
}

void ResolutionTabBar::setLine(const QGradientStops &stops)
{
    lineStops = stops;
    for (ResolutionTab *t : items)
        t->setLine(stops);
    update();
}

ResolutionTab *ResolutionTabBar::tab(const QString &name) const
{
    for (ResolutionTab *t : items)
        if (t->name() == name)
            return t;
    return nullptr;
}

void ResolutionTabBar::setTabs(const QList<Entry> &tabs, const std::optional<QString> &current)
{
    bool same = tabs.size() == items.size();
    for (qsizetype i = 0; same && i < tabs.size(); ++i)
        same = items[i]->name() == tabs[i].name;
    if (!same) {
        qDeleteAll(items);
        items.clear();
        for (const Entry &e : tabs) {
            auto *t = new ResolutionTab(e.name, e.count, false, this);
            t->setSharedLine(true);
            if (!lineStops.isEmpty())
                t->setLine(lineStops);
            const QString name = e.name;
            connect(t, &QAbstractButton::clicked, this, [this, name] { Q_EMIT tabChosen(name); });
            row->insertWidget(row->count() - 1, t);
            items.append(t);
        }
    } else {
        for (qsizetype i = 0; i < tabs.size(); ++i)
            items[i]->setCount(tabs[i].count);
    }
    setCurrent(current);
}

void ResolutionTabBar::setCurrent(const std::optional<QString> &current)
{
    const bool changed = current != chosen;
    chosen = current;
    for (ResolutionTab *t : items)
        t->setOn(chosen && t->name() == *chosen);
    // The new tab's place is only known once the row has been laid out again.
    row->activate();
    moveLine(changed && line.has_value());
}

std::optional<QRectF> ResolutionTabBar::underlineTarget() const
{
    ResolutionTab *t = chosen ? tab(*chosen) : nullptr;
    if (!t)
        return std::nullopt;
    return t->underlineRect().translated(t->pos());
}

void ResolutionTabBar::moveLine(bool animated)
{
    const std::optional<QRectF> target = underlineTarget();
    if (!target) {
        slide.stop();
        line.reset();
        update();
        return;
    }
    if (animated && line) {
        slide.stop();
        slide.setStartValue(*line);
        slide.setEndValue(*target);
        slide.start();
    } else if (!isSliding()) {
        line = target;
    } else {
        // Already gliding: keep going, towards the tab's current place.
        slide.setEndValue(*target);
    }
    update();
}

bool ResolutionTabBar::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        moveLine(false);
    return result;
}

void ResolutionTabBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    row->activate();
    moveLine(false);
}

void ResolutionTabBar::paintEvent(QPaintEvent *)
{
    if (!line)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    ResolutionTab::paintLine(p, *line, lineStops.isEmpty() ? ResolutionTab::defaultLine() : lineStops);
}

} // namespace vidorra
