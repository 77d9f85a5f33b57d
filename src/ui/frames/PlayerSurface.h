#pragma once
// The full-size preview: shows a QMediaPlayer's clip (graded when a table is given) with
// floating controls: play/pause, position and time. The pictures come from our own
// decoder following the player's clock, or from the player's video where our decoder
// cannot open the clip. They are converted and graded off the main thread; a picture
// still being graded makes newer ones wait, and only the newest waiting one is kept.

#include "preview/LUTCube.h"

#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <mutex>

#include <QMediaPlayer>
class QVideoSink;
class QVideoFrame;
class QToolButton;
class QSlider;
class QLabel;
class QThreadPool;
class QTimer;

namespace vidorra {

class ClipSound;
class PlaybackDecoder;

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
    void startSource();
    void followClock();
    void playItself();
    void giveBackClip();
    void present(const QImage &image);
    void pushSize();
    void syncControls();
    void layoutControls();

    QPointer<QMediaPlayer> player_;
    QVideoSink *sink_;
    QThreadPool *gradePool_;   // grades the player's own frames, one at a time
    QWidget *controls_;
    QToolButton *playButton_;
    QSlider *position_;
    QLabel *time_;
    std::shared_ptr<Grader> grader_;
    struct Mailbox {
        std::mutex mutex;
        QImage picture;
        bool posted = false;
    };
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    CubePtr cube_;
    std::unique_ptr<PlaybackDecoder> decoder_;   // after the grader: stopped first
    quint64 generation_ = 0;   // the player's source, counted
    QPointer<ClipSound> sound_;   // what the player plays while our decoder shows the clip
    QUrl playerVideo_;            // a clip the player shows itself
    QTimer *clock_;
    QImage frame_;
    qint64 framesShown_ = 0;
    bool dragging_ = false;
};

} // namespace vidorra
