#pragma once
// One clip in an open pile: its picture (scrubbed through under the pointer with the
// shared scrub player), its time, profile and settings, and small actions. Cards are
// recycled by the grid: setClip binds a card to another clip. A card loads its picture
// only while it is bound and shown, and drops the load when either ends.

#include "ui/piles/CardPicture.h"
#include "ui/piles/CardText.h"
#include "preview/LUTCube.h"

#include "library/Scan.h"

#include <QImage>
#include <QSequentialAnimationGroup>
#include <QWidget>
#include <optional>

class QMenu;
class QPainter;

namespace vidorra {

class CardIcon;
class PreviewLayer;

class ClipCard : public QWidget {
    Q_OBJECT
public:
    explicit ClipCard(QWidget *parent = nullptr);
    ~ClipCard() override;

    // Binds the card to a clip at `order` (its place in the pile). Binding the same clip
    // again keeps the card's state; another clip starts afresh.
    void setClip(const Planned &item, int order);
    // Unbinds: the picture load is cancelled and any scrub ends.
    void clearClip();
    const std::optional<Planned> &clip() const { return item; }
    int order() const { return place; }

    void setSelected(bool selected);
    bool isSelected() const { return chosen; }
    // Size of the window's selection; the context menu offers to delete all of it.
    void setSelectionCount(int count) { selectionCount = count; }
    // The application-wide grading switch. A change drops the card's own choice.
    void setGlobalLUT(bool on);

    std::optional<bool> lutOverride() const { return override; }
    bool lutOn() const { return override.value_or(globalLUT); }
    // The table in effect for this card; null when grading is off or the clip takes none.
    CubePtr cube() const;
    // The tables in force changed: a graded card shows (and scrubs) the new one.
    void gradingChanged();

    bool isHovered() const { return hovered; }
    std::optional<double> scrubPosition() const { return scrub; }
    const std::optional<QImage> &cover() const { return picture.image(); }
    bool hasEntered() const { return entered; }
    // How far the entrance has come, 0 (not drawn yet) to 1 (in place).
    double entranceProgress() const { return arrival; }
    // Where the picture stands, 16:9 across the card's width.
    QRectF pictureRect() const;
    QString timeText() const;
    CardDetails details() const;
    QColor kelvinColor() const;

    CardIcon *colorIcon() const { return colorButton; }
    CardIcon *playIcon() const { return playButton; }
    CardIcon *revealIcon() const { return revealButton; }
    // The context menu for the card's current state; the caller owns it.
    QMenu *makeContextMenu(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    // The card was clicked, with the modifiers held (the window selects by them).
    void clicked(const vidorra::Planned &item, Qt::KeyboardModifiers modifiers);
    void playRequested(const vidorra::Planned &item);
    void trashRequested(const vidorra::Planned &item);
    void hoverChanged(const vidorra::Planned &item, bool hovered);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void loadPicture();
    void scrubAt(double x);
    void endScrub();
    void placeIcons();
    void updateIcons();
    void startEntrance();
    void lutChanged();
    // Drawn above the scrub picture: the time label and the selection ring.
    void paintOverlay(QPainter &painter);
    friend class ClipCardOverlay;

    std::optional<Planned> item;
    int place = 0;
    bool chosen = false;
    int selectionCount = 0;
    bool globalLUT = false;
    std::optional<bool> override;
    bool hovered = false;
    std::optional<double> scrub;
    CardPicture picture{this};

    bool entered = false;
    double arrival = 1.0; // entrance progress, 0 to 1
    QSequentialAnimationGroup entrance;

    std::optional<QPointF> pressAt;
    bool pressOnPicture = false;
    bool skipRelease = false;

    PreviewLayer *layer = nullptr;
    QWidget *overlay = nullptr;
    CardIcon *colorButton = nullptr;
    CardIcon *playButton = nullptr;
    CardIcon *revealButton = nullptr;
};

} // namespace vidorra
