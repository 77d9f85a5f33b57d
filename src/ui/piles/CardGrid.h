#pragma once
// The cards of an open pile in rows. Only the cells in view hold a ClipCard; cards are
// rebound to other clips as the grid scrolls, so a pile of thousands costs no more than
// a screenful.

#include "kit/GridMetrics.h"
#include "library/Scan.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

namespace vidorra {

class ClipCard;

class CardGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CardGrid(QWidget *parent = nullptr);

    void setItems(const QList<Planned> &items);
    const QList<Planned> &items() const { return clips; }
    void setSelection(const QSet<QUuid> &selection);
    void setGlobalLUT(bool on);

    GridMetrics metrics() const { return gridMetrics(viewport()->width()); }
    // Where the card of clip `index` stands, in viewport coordinates.
    QRect cellRect(int index) const;
    // The cards bound now, by clip position.
    QList<ClipCard *> boundCards() const;
    ClipCard *cardAt(int index) const { return bound.value(index); }
    // Scrolls so that clip `index` is in view and returns its card.
    ClipCard *ensureVisible(int index);

Q_SIGNALS:
    void clipClicked(const vidorra::Planned &item, Qt::KeyboardModifiers modifiers);
    void playRequested(const vidorra::Planned &item);
    void trashRequested(const vidorra::Planned &item);
    void hoverChanged(const vidorra::Planned &item, bool hovered);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;

private:
    void relayout();
    void updateScrollRange();
    ClipCard *takeCard();
    void bind(ClipCard *card, int index);

    QList<Planned> clips;
    QSet<QUuid> selected;
    bool lut = false;
    QHash<int, ClipCard *> bound;   // clip position -> card
    QList<ClipCard *> spare;        // unbound, hidden, ready for reuse
};

} // namespace vidorra
