#pragma once
// The full-size preview: one clip playing large, with sound, over the darkened window,
// graded when grading is on and the clip has a table. A click on the dark area, Escape
// or Space closes it; the arrow keys step to the neighbouring clip of the open pile and
// stop at its ends. Each clip gets a player of its own, and nothing of it outlives the
// clip: closing or stepping pauses it and lets go of the file.

#include "library/Scan.h"
#include "preview/LUTCube.h"
#include "preview/PlayerSurface.h"

#include <QList>
#include <QMediaPlayer>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;

namespace vidorra {

class Model;

class PreviewOverlay : public QWidget {
    Q_OBJECT
public:
    // Covers `parent` (the window's central area) and follows its size; hidden until open.
    explicit PreviewOverlay(QWidget *parent);
    ~PreviewOverlay() override;

    // Plays `item`, graded when `colorOn` and the clip has a table. `pile` is the open
    // pile the arrow keys step through (empty: the arrows do nothing).
    void open(const Planned &item, bool colorOn, const QList<Planned> &pile = {});
    // Pauses, releases the file and hides, fading out. Emits nothing.
    void dismiss();
    // Moves to the clip `delta` places away in the pile; false (and nothing changes) at
    // either end or when the clip is not in the pile.
    bool step(int delta);
    // Grading switched while open: the frames follow at once.
    void setColorOn(bool colorOn);

    bool isOpen() const { return current.has_value(); }
    const std::optional<Planned> &item() const { return current; }
    // A table is in effect for the clip shown.
    bool graded() const { return cube != nullptr; }
    const CubePtr &gradeTable() const { return cube; }
    PlayerSurface *surface() const { return surface_; }
    QMediaPlayer *player() const { return player_; }
    // The rectangle the picture takes, inside the overlay.
    QRect pictureRect() const;
    // What the overlay says instead of the picture when the clip cannot be played; empty
    // while it plays.
    QString problemText() const;

    // Keeps the overlay in step with the model's `preview` (and `lutEnabled`): it opens
    // when a clip is set and closes when it is cleared; closing asks the model to clear
    // it and stepping sets the neighbour. `openItems` gives the open pile's clips.
    void bind(Model *model, std::function<QList<Planned>()> openItems);

Q_SIGNALS:
    // The user dismissed the overlay (the overlay has already closed itself).
    void closed();
    // The arrow keys moved to another clip (already playing).
    void stepped(const vidorra::Planned &item);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showProblem();
    void start(const Planned &item);
    void release();
    void requestClose();
    void layoutContent();
    QSize videoSize() const;

    std::optional<Planned> current;
    QList<Planned> pile;
    bool colorOn = false;
    CubePtr cube;
    QPointer<QMediaPlayer> player_;
    QPointer<PlayerSurface> surface_;
    QLabel *name = nullptr;
    QLabel *problem = nullptr;
    bool pressedOnBackground = false;
    QPointer<Model> model;
};

} // namespace vidorra
