#include "ui/piles/PileList.h"

#include "kit/OverlayScrollBar.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileGrid.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVBoxLayout>

namespace vidorra {

PileList::PileList(QWidget *parent) : QScrollArea(parent), content(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(16, 4, 16, 20);
    column->setSpacing(22);
    column->addStretch(1);
    setWidget(content);
    OverlayScroller::install(this);
}

void PileList::setGroups(const QList<LibraryGroup> &groups, bool colorOn)
{
    auto *column = static_cast<QVBoxLayout *>(content->layout());
    while (blocks.size() > groups.size())
        delete blocks.takeLast();
    while (blocks.size() < groups.size()) {
        auto *block = new PileGrid(content);
        connect(block, &PileGrid::pileOpened, this, &PileList::pileOpened);
        connect(block, &PileGrid::revealRequested, this, &PileList::revealRequested);
        connect(block, &PileGrid::deleteRequested, this, &PileList::deleteRequested);
        column->insertWidget(int(blocks.size()), block);
        blocks.append(block);
    }
    for (qsizetype i = 0; i < groups.size(); ++i)
        blocks[i]->setGroup(groups[i], colorOn);
    // The scroll area sizes the blocks' column only when asked by a layout request, and
    // Qt posts none for a hidden area: blocks filled behind the intro would keep the old
    // column's height and cut their cards short. Ask now, shown or not.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &request);
    refreshPictures();
}

void PileList::refreshPictures()
{
    for (PileGrid *b : std::as_const(blocks))
        for (PileCard *card : b->cards())
            card->refreshPicture();
}

void PileList::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    refreshPictures();
}

void PileList::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    refreshPictures();
}

void PileList::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    refreshPictures();
}

QList<PileCard *> PileList::cards() const
{
    QList<PileCard *> out;
    for (PileGrid *b : blocks)
        out += b->cards();
    return out;
}

PileCard *PileList::card(const QString &folder) const
{
    for (PileGrid *b : blocks) {
        const qsizetype i = b->folderNames().indexOf(folder);
        if (i >= 0)
            return b->cards()[i];
    }
    return nullptr;
}

} // namespace vidorra
