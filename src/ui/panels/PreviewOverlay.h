#pragma once
// The full-size preview: the clip in the model's `preview` playing large, with sound,
// over the darkened window, graded when grading is on and the clip has a table. A click
// on the dark area clears `preview`; the keys (Escape, Space, the arrows) are the
// window's. Each clip gets a player of its own, and nothing of it outlives the clip:
// closing or stepping pauses it and lets go of the file.

#include "library/Scan.h"
#include "preview/LUTCube.h"
#include "ui/frames/PlayerSurface.h"

#include <QMediaPlayer>
#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;

namespace vidorra {

class Model;

class PreviewOverlay : public QWidget {
    Q_OBJECT
public:
    // Covers `parent` (the window's central area) and follows its size; shown while the
    // model has a `preview`.
    PreviewOverlay(Model *model, QWidget *parent);
    ~PreviewOverlay() override;

    // The tables in force changed: the frames follow at once.
    void regrade();

    // A player runs (the overlay is shown or fading out after the model let go).
    bool isOpen() const { return player_ != nullptr; }
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens, switches or closes to match the model's `preview`.
    void follow();
    void appear();
    void dismiss();
    void showProblem();
    void start(const Planned &item);
    void release();
    void layoutContent();
    QSize videoSize() const;

    Model *m;
    CubePtr cube;
    QPointer<QMediaPlayer> player_;
    QPointer<PlayerSurface> surface_;
    QLabel *name = nullptr;
    QLabel *problem = nullptr;
    bool pressedOnBackground = false;
};

} // namespace vidorra
