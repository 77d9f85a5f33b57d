#include "ui/piles/CardGrid.h"

#include "ui/piles/ClipCard.h"
#include "kit/OverlayScrollBar.h"

#include <QEvent>
#include <QScrollBar>
#include <cmath>

namespace vidorra {

namespace {
constexpr int topPadding = 8;
constexpr int bottomPadding = 16;
} // namespace

CardGrid::CardGrid(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(40);
    OverlayScroller::install(this);
}

void CardGrid::setItems(const QList<Planned> &items)
{
    const bool samePile = !clips.isEmpty() && !items.isEmpty() && clips.first().folder == items.first().folder;
    clips = items;
    if (!samePile)
        verticalScrollBar()->setValue(0);
    relayout();
    // Records may have changed under the same id (a rename); a card keeps its state when it
    // gets the same clip again.
    for (auto it = bound.cbegin(); it != bound.cend(); ++it)
        bind(it.value(), it.key());
}

void CardGrid::setSelection(const QSet<QUuid> &selection)
{
    selected = selection;
    for (auto it = bound.cbegin(); it != bound.cend(); ++it) {
        it.value()->setSelected(selected.contains(clips[it.key()].id));
        it.value()->setSelectionCount(int(selected.size()));
    }
}

void CardGrid::setGlobalLUT(bool on)
{
    lut = on;
    for (ClipCard *card : std::as_const(bound))
        card->setGlobalLUT(on);
}

QRect CardGrid::cellRect(int index) const
{
    const GridMetrics m = metrics();
    const int row = index / m.columns, col = index % m.columns;
    const double x = gridMargin + col * (m.cardWidth + gridSpacing);
    const int y = topPadding + row * (m.rowHeight + int(gridSpacing)) - verticalScrollBar()->value();
    const int left = int(std::round(x));
    const int right = int(std::round(x + m.cardWidth));
    return QRect(left, y, right - left, m.rowHeight);
}

QList<ClipCard *> CardGrid::boundCards() const { return bound.values(); }

ClipCard *CardGrid::ensureVisible(int index)
{
    if (index < 0 || index >= clips.size())
        return nullptr;
    const QRect r = cellRect(index);
    QScrollBar *bar = verticalScrollBar();
    if (r.top() < 0)
        bar->setValue(bar->value() + r.top() - topPadding);
    else if (r.bottom() > viewport()->height())
        bar->setValue(bar->value() + r.bottom() - viewport()->height() + bottomPadding);
    relayout();
    return bound.value(index);
}

void CardGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void CardGrid::scrollContentsBy(int, int) { relayout(); }

bool CardGrid::viewportEvent(QEvent *event)
{
    // The cards paint themselves; the viewport has nothing of its own to draw.
    if (event->type() == QEvent::Paint)
        return true;
    return QAbstractScrollArea::viewportEvent(event);
}

void CardGrid::updateScrollRange()
{
    const GridMetrics m = metrics();
    const int rows = int((clips.size() + m.columns - 1) / m.columns);
    const int content = rows == 0 ? 0 : topPadding + rows * m.rowHeight + (rows - 1) * int(gridSpacing) + bottomPadding;
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, content - viewport()->height()));
}

ClipCard *CardGrid::takeCard()
{
    if (!spare.isEmpty())
        return spare.takeLast();
    auto *card = new ClipCard(viewport());
    connect(card, &ClipCard::clicked, this, &CardGrid::clipClicked);
    connect(card, &ClipCard::playRequested, this, &CardGrid::playRequested);
    connect(card, &ClipCard::trashRequested, this, &CardGrid::trashRequested);
    connect(card, &ClipCard::hoverChanged, this, &CardGrid::hoverChanged);
    return card;
}

void CardGrid::bind(ClipCard *card, int index)
{
    const Planned &item = clips[index];
    card->setGlobalLUT(lut);
    card->setClip(item, index);
    card->setSelected(selected.contains(item.id));
    card->setSelectionCount(int(selected.size()));
}

void CardGrid::relayout()
{
    updateScrollRange();
    const GridMetrics m = metrics();
    const int stride = m.rowHeight + int(gridSpacing);
    const int scroll = verticalScrollBar()->value();
    const int count = int(clips.size());
    int first = 0, last = -1;
    if (count > 0 && viewport()->height() > 0) {
        const int firstRow = std::max(0, (scroll - topPadding) / stride);
        const int lastRow = std::max(0, (scroll + viewport()->height() - topPadding) / stride);
        first = std::min(count, firstRow * m.columns);
        last = std::min(count - 1, (lastRow + 1) * m.columns - 1);
    }

    // Free the cards that left the view (or whose clip changed) before binding new ones.
    for (auto it = bound.begin(); it != bound.end();) {
        const int index = it.key();
        ClipCard *card = it.value();
        const bool keep = index >= first && index <= last && card->clip() && card->clip()->id == clips[index].id;
        if (keep) {
            ++it;
            continue;
        }
        card->hide();
        card->clearClip();
        spare.append(card);
        it = bound.erase(it);
    }
    for (int i = first; i <= last; ++i) {
        ClipCard *card = bound.value(i);
        if (!card) {
            card = takeCard();
            bound.insert(i, card);
            bind(card, i);
        } else if (card->order() != i) {
            bind(card, i);   // same clip, new place in the pile
        }
        card->setGeometry(cellRect(i));
        if (!card->isVisible())
            card->show();
    }
}

} // namespace vidorra
