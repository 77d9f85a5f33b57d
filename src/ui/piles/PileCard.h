#pragma once
// One destination folder as a small stack of cards: the first clip's picture, the
// pile's title and count, the range of its settings and its totals. The edges of the
// stack lift under the pointer; a click opens the pile.

#include "ui/piles/CardPicture.h"

#include "library/Scan.h"

#include <QImage>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

class QMenu;

namespace vidorra {

class PileCard : public QWidget {
    Q_OBJECT
public:
    explicit PileCard(QWidget *parent = nullptr);

    // Binds the card to a pile. `count` is shown as given ("1 clip", "12 clips");
    // `colorOn` grades the picture when the first clip takes grading.
    void setPile(const QList<Planned> &items, const QString &title, const std::optional<QString> &detail,
                 const QString &count, const QColor &accent, bool colorOn);
    void clearPile();

    const QList<Planned> &items() const { return clips; }
    QString title() const { return heading; }
    std::optional<QString> detail() const { return subheading; }
    QString countText() const { return countLabel; }
    QString settingsLine() const { return settings; }
    QString totalsLine() const { return totals; }
    bool isHovered() const { return hovered; }
    const std::optional<QImage> &cover() const { return picture.image(); }
    // How far the stack's edges have lifted, 0 to 1.
    double lift() const { return raised; }

    QMenu *makeContextMenu(QWidget *parent = nullptr);
    // The tables in force changed: a graded picture is asked for again.
    void gradingChanged();

    // Asks for the picture while some of the card is on screen (inside the list's view),
    // and drops a load in flight when none is: the list calls it as it scrolls.
    void refreshPicture();
    bool pictureAsked() const { return picture.asked(); }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void activated();        // clicked: open the pile
    void revealRequested();  // "Show in Folder"
    void deleteRequested();  // "Delete"
    void hoverChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void loadPicture();
    QRectF pictureRect() const;

    QList<Planned> clips;
    QString heading;
    std::optional<QString> subheading;
    QString countLabel;
    QColor accent;
    bool colorOn = false;
    QString settings;
    QString totals;

    bool hovered = false;
    double raised = 0.0;
    QVariantAnimation liftAnim;
    bool pressed = false;

    CardPicture picture{this};
};

} // namespace vidorra
