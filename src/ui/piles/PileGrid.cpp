#include "ui/piles/PileGrid.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"
#include "ui/piles/PileCard.h"
#include "ui/window/WindowState.h"

#include <QPainter>
#include <algorithm>

namespace vidorra {

PileGrid::PileGrid(QWidget *parent) : QWidget(parent) {}

QString PileGrid::heading() const { return clipCount(total); }

void PileGrid::setGroup(const LibraryGroup &group, bool colorOn)
{
    name = group.profile;
    total = 0;
    for (const LibrarySection &s : group.sections)
        total += s.items.size();
    while (piles.size() > group.sections.size())
        delete piles.takeLast();
    while (piles.size() < group.sections.size()) {
        auto *card = new PileCard(this);
        piles.append(card);
        // The card's position tells which section it shows now.
        connect(card, &PileCard::activated, this, [this, card] {
            const qsizetype i = piles.indexOf(card);
            if (i >= 0 && i < folders.size())
                Q_EMIT pileOpened(folders[i]);
        });
        connect(card, &PileCard::revealRequested, this, [this, card] { Q_EMIT revealRequested(card->items()); });
        connect(card, &PileCard::deleteRequested, this, [this, card] { Q_EMIT deleteRequested(card->items()); });
        card->show();
    }
    folders.clear();
    for (const LibrarySection &s : group.sections)
        folders.append(s.folder);
    const QColor accent = profilePill(name).foreground.on(this);
    for (qsizetype i = 0; i < group.sections.size(); ++i) {
        const LibrarySection &s = group.sections[i];
        const PileHeading h = s.items.isEmpty() ? PileHeading{} : pileHeading(s.items.first());
        piles[i]->setPile(s.items, h.title, h.detail, clipCount(s.items.size()), accent, colorOn);
    }
    updateGeometry();
    place();
    update();
}

int PileGrid::columnsFor(int width) const
{
    return std::max(1, (width + spacing) / (minCardWidth + spacing));
}

int PileGrid::heightForWidth(int width) const
{
    const int columns = columnsFor(width);
    const int cardW = (width - (columns - 1) * spacing) / columns;
    const int rows = int((piles.size() + columns - 1) / columns);
    const int cardH = piles.isEmpty() ? 0 : piles.first()->heightForWidth(cardW);
    return headingHeight + rows * cardH + std::max(0, rows - 1) * spacing;
}

QSize PileGrid::sizeHint() const { return {800, heightForWidth(800)}; }

void PileGrid::resizeEvent(QResizeEvent *) { place(); }

void PileGrid::place()
{
    const int columns = columnsFor(width());
    const int cardW = (width() - (columns - 1) * spacing) / columns;
    const int cardH = piles.isEmpty() ? 0 : piles.first()->heightForWidth(cardW);
    for (qsizetype i = 0; i < piles.size(); ++i) {
        const int r = int(i / columns), c = int(i % columns);
        piles[i]->setGeometry(c * (cardW + spacing), headingHeight + r * (cardH + spacing), cardW, cardH);
    }
}

void PileGrid::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFont title = Fonts::sans(13, Fonts::Weight::Semibold, 1.2);
    p.setFont(title);
    p.setPen(profilePill(name).foreground.on(this));
    const QString shown = name.toUpper();
    const QRect box(0, 0, width(), headingHeight - 10);
    p.drawText(box, Qt::AlignLeft | Qt::AlignBottom, shown);
    const int after = QFontMetrics(title).horizontalAdvance(shown) + 10;
    p.setFont(Fonts::sans(11));
    p.setPen(Glass::secondary().on(this));
    p.drawText(box.adjusted(after, 0, 0, -1), Qt::AlignLeft | Qt::AlignBottom, heading());
}

} // namespace vidorra
