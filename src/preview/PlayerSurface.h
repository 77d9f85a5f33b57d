#pragma once
// The full-size preview: shows a QMediaPlayer's video (graded when a table is given)
// with floating controls: play/pause, position and time. Video frames are converted and
// graded off the main thread; a frame still being graded makes newer ones wait, and only
// the newest waiting frame is kept.

#include "preview/LUTCube.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <QMediaPlayer>
class QVideoSink;
class QVideoFrame;
class QToolButton;
class QSlider;
class QLabel;

namespace vidorra {

// A media player with sound, parented to `parent`.
QMediaPlayer *makeMediaPlayer(QObject *parent);

class PlayerSurface : public QWidget {
    Q_OBJECT
public:
    explicit PlayerSurface(QWidget *parent = nullptr);
    ~PlayerSurface() override;

    // Shows `player` (null detaches); replaces the player only when it differs.
    void setPlayer(QMediaPlayer *player);
    QMediaPlayer *player() const { return player_; }
    // Grades every frame with `cube`; null shows frames as they come.
    void setCube(const CubePtr &cube);

    QImage currentFrame() const { return frame_; }
    qint64 framesShown() const { return framesShown_; }

Q_SIGNALS:
    void frameShown();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Grader;
    void onVideoFrame(const QVideoFrame &frame);
    void present(const QImage &image);
    void pushSize();
    void syncControls();
    void layoutControls();

    QPointer<QMediaPlayer> player_;
    QVideoSink *sink_;
    QWidget *controls_;
    QToolButton *playButton_;
    QSlider *position_;
    QLabel *time_;
    std::shared_ptr<Grader> grader_;
    QImage frame_;
    qint64 framesShown_ = 0;
    bool dragging_ = false;
};

} // namespace vidorra
