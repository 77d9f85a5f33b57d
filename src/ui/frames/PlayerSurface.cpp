#include "ui/frames/PlayerSurface.h"

#include "preview/ClipSound.h"
#include "preview/PictureScaler.h"
#include "preview/PlaybackDecoder.h"
#include "preview/ThreadPriority.h"
#include "preview/VideoFrameImage.h"

#include "text/Language.h"

#include <QAudioOutput>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMediaPlayer>
#include <QPainter>
#include <QPixmap>
#include <QSlider>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <mutex>

namespace vidorra {

namespace {

QString clockText(qint64 ms)
{
    const qint64 s = std::max<qint64>(0, ms / 1000);
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The play and pause glyphs in white: the controls float on a dark bar over the picture,
// whatever the window's appearance (the style's own icons are dark grey).
QIcon glyph(bool pause)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(16, 16) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        if (pause) {
            p.drawRoundedRect(QRectF(3.5, 2.5, 3.2, 11), 1, 1);
            p.drawRoundedRect(QRectF(9.3, 2.5, 3.2, 11), 1, 1);
        } else {
            p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(4, 13.5), QPointF(13.5, 8)}));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QMediaPlayer *makeMediaPlayer(QObject *parent)
{
    auto *player = new QMediaPlayer(parent);
    player->setAudioOutput(new QAudioOutput(player));
    return player;
}

// Converts and grades the media player's frames off the main thread, one at a time, at
// the size they are shown: a 4K frame is scaled down in the conversion, and the grade then
// costs what the shown picture costs. A frame that arrives while one is being worked on
// replaces any frame already waiting, so a slow machine shows fewer frames rather than
// falling behind. `owner` is cleared before the surface goes away, so results only reach
// a live surface.
struct PlayerSurface::Grader : std::enable_shared_from_this<Grader> {
    std::mutex mutex;
    PlayerSurface *owner = nullptr;
    QThreadPool *pool = nullptr;   // the surface's, one thread
    CubePtr cube;
    QSize box;   // the surface in device pixels
    std::optional<QVideoFrame> waiting;
    bool busy = false;
    PictureScaler scaler;   // used by the one frame being worked on

    void offer(const QVideoFrame &frame)
    {
        {
            std::lock_guard lock(mutex);
            if (!owner)
                return;
            if (busy) {
                waiting = frame;
                return;
            }
            busy = true;
        }
        pool->start([self = shared_from_this(), frame] { self->work(frame); });
    }

    void work(QVideoFrame frame)
    {
        static thread_local const bool lowered = (lowerThreadPriority(2), true);
        Q_UNUSED(lowered);
        for (;;) {
            CubePtr table;
            QSize size;
            {
                std::lock_guard lock(mutex);
                table = cube;
                size = box;
            }
            QImage image = shownImage(frame, size, scaler);
            if (!image.isNull() && table)
                table->applyRGBA(image.bits(), image.width(), image.height(), image.bytesPerLine());
            std::lock_guard lock(mutex);
            if (owner && !image.isNull()) {
                PlayerSurface *target = owner;
                QMetaObject::invokeMethod(target, [target, image] { target->present(image); },
                                          Qt::QueuedConnection);
            }
            if (!waiting || !owner) {
                waiting.reset();
                busy = false;
                return;
            }
            frame = *waiting;
            waiting.reset();
        }
    }
};

PlayerSurface::PlayerSurface(QWidget *parent)
    : QWidget(parent), sink_(new QVideoSink(this)), gradePool_(new QThreadPool(this)),
      grader_(std::make_shared<Grader>())
{
    gradePool_->setObjectName(QStringLiteral("grading"));
    gradePool_->setMaxThreadCount(1);
    grader_->owner = this;
    grader_->pool = gradePool_;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);

    // Frames may arrive on the media framework's threads; the grader copes with any.
    connect(sink_, &QVideoSink::videoFrameChanged, sink_,
            [grader = grader_](const QVideoFrame &frame) { grader->offer(frame); }, Qt::DirectConnection);
    // While playing, the clock moves between the player's reports; asking for its position
    // often keeps the picture close to the sound.
    clock_ = new QTimer(this);
    clock_->setInterval(40);
    connect(clock_, &QTimer::timeout, this, &PlayerSurface::followClock);

    controls_ = new QWidget(this);
    controls_->setObjectName(QStringLiteral("playerControls"));
    controls_->setAutoFillBackground(false);
    controls_->setStyleSheet(QStringLiteral(
        "#playerControls { background: rgba(0, 0, 0, 150); border-radius: 6px; }"
        "QLabel { color: white; } QToolButton { border: none; color: white; }"));
    auto *row = new QHBoxLayout(controls_);
    row->setContentsMargins(8, 4, 10, 4);
    row->setSpacing(8);
    playButton_ = new QToolButton(controls_);
    playButton_->setAutoRaise(true);
    position_ = new QSlider(Qt::Horizontal, controls_);
    position_->setRange(0, 0);
    time_ = new QLabel(controls_);
    time_->setText(clockText(0) + QStringLiteral(" / ") + clockText(0));
    row->addWidget(playButton_);
    row->addWidget(position_, 1);
    row->addWidget(time_);

    connect(playButton_, &QToolButton::clicked, this, [this] {
        if (!player_)
            return;
        if (player_->playbackState() == QMediaPlayer::PlayingState)
            player_->pause();
        else
            player_->play();
    });
    connect(position_, &QSlider::sliderPressed, this, [this] { dragging_ = true; });
    connect(position_, &QSlider::sliderReleased, this, [this] {
        dragging_ = false;
        if (player_)
            player_->setPosition(position_->value());
    });
    connect(position_, &QSlider::sliderMoved, this, [this](int value) {
        if (player_)
            player_->setPosition(value);
    });
    syncControls();
}

PlayerSurface::~PlayerSurface()
{
    decoder_.reset();   // joins its thread
    giveBackClip();
    {
        std::lock_guard lock(grader_->mutex);
        grader_->owner = nullptr;
        grader_->waiting.reset();
    }
    if (player_ && player_->videoSink() == sink_)
        player_->setVideoSink(nullptr);
    gradePool_->waitForDone();   // the frame in hand is finished; its result goes nowhere
}

void PlayerSurface::setPlayer(QMediaPlayer *player)
{
    if (player_ == player)
        return;
    decoder_.reset();
    giveBackClip();
    if (player_) {
        disconnect(player_, nullptr, this, nullptr);
        if (player_->videoSink() == sink_)
            player_->setVideoSink(nullptr);
    }
    player_ = player;
    frame_ = QImage();
    pushSize();   // a hidden surface hears of its size only when it is shown
    if (player_) {
        connect(player_, &QMediaPlayer::positionChanged, this, &PlayerSurface::syncControls);
        connect(player_, &QMediaPlayer::durationChanged, this, &PlayerSurface::syncControls);
        connect(player_, &QMediaPlayer::playbackStateChanged, this, &PlayerSurface::syncControls);
        connect(player_, &QMediaPlayer::positionChanged, this, &PlayerSurface::followClock);
        connect(player_, &QMediaPlayer::playbackStateChanged, this, &PlayerSurface::followClock);
        connect(player_, &QMediaPlayer::sourceChanged, this, &PlayerSurface::startSource);
        startSource();
    }
    syncControls();
    update();
}

// Our own decoder shows a local clip's pictures. The media player plays the clip's sound
// alone and keeps the time: given the whole clip it would decode the video too, only to
// drop it, taking a core from the picture and running its clock slow on 4K footage. A
// clip our decoder cannot show is played by the player itself, picture and all, as is
// anything that does not open as media here (the player then says what is wrong).
void PlayerSurface::startSource()
{
    if (sound_ && player_->sourceDevice() == sound_)
        return;   // the clip's sound, set just below
    decoder_.reset();
    ++generation_;
    if (sound_)
        sound_->deleteLater();   // the player has let go of it
    sound_ = nullptr;
    frame_ = QImage();
    update();
    const QUrl source = player_->source();
    if (source.isEmpty())
        return;
    std::unique_ptr<ClipSound> sound;
    if (source.isLocalFile() && source != playerVideo_ && !qEnvironmentVariableIsSet("VIDORRA_PREVIEW_PLAYER_VIDEO"))
        sound = ClipSound::open(source.toLocalFile());
    if (!sound) {
        player_->setVideoSink(sink_);
        return;
    }
    if (player_->videoSink() == sink_)
        player_->setVideoSink(nullptr);
    PlaybackDecoder::Callbacks callbacks;
    callbacks.opened = [this, generation = generation_](bool ok) {
        if (!ok && generation == generation_ && player_)
            playItself();
    };
    // Pictures come graded; the newest waits for the main thread, with one call on its way.
    auto mailbox = mailbox_;
    callbacks.shown = [this, mailbox](const QImage &picture) {
        std::lock_guard lock(mailbox->mutex);
        mailbox->picture = picture;
        if (std::exchange(mailbox->posted, true))
            return;
        // The surface joins the decoder's thread before it goes; a call still queued then
        // is dropped with it.
        QMetaObject::invokeMethod(this, [this, mailbox] {
            QImage picture;
            {
                std::lock_guard lock(mailbox->mutex);
                picture = std::move(mailbox->picture);
                mailbox->posted = false;
            }
            if (!picture.isNull())
                present(picture);
        }, Qt::QueuedConnection);
    };
    decoder_ = std::make_unique<PlaybackDecoder>(source.toLocalFile(), this, std::move(callbacks));
    decoder_->setBox(size() * devicePixelRatioF());
    decoder_->setCube(cube_);
    sound_ = sound.release();
    sound_->setParent(player_);   // read by the player as long as it plays it
    player_->setSourceDevice(sound_, source);
    followClock();
}

// A player left by the surface gets its clip back in place of the sound alone, as it was
// given (a player torn down while it reads a stream of ours trips up the media backend).
void PlayerSurface::giveBackClip()
{
    ClipSound *sound = sound_;
    sound_ = nullptr;
    if (!player_ || !sound || player_->sourceDevice() != sound)
        return;
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    const qint64 at = player_->position();
    disconnect(player_, &QMediaPlayer::sourceChanged, this, &PlayerSurface::startSource);
    player_->setSource(player_->source());
    if (at > 0)
        player_->setPosition(at);
    if (playing)
        player_->play();
    sound->deleteLater();
}

// Our decoder cannot show the clip: the player plays it itself from where it was.
void PlayerSurface::playItself()
{
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    const qint64 at = player_->position();
    playerVideo_ = player_->source();
    player_->setSource(playerVideo_);
    if (at > 0)
        player_->setPosition(at);
    if (playing)
        player_->play();
}

void PlayerSurface::followClock()
{
    if (!decoder_ || !player_)
        return;
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    decoder_->follow(double(player_->position()) / 1000.0, playing);
    if (playing != clock_->isActive())
        playing ? clock_->start() : clock_->stop();
}

void PlayerSurface::setCube(const CubePtr &cube)
{
    cube_ = cube;
    if (decoder_)
        decoder_->setCube(cube);
    std::lock_guard lock(grader_->mutex);
    grader_->cube = cube;
}

void PlayerSurface::present(const QImage &image)
{
    frame_ = image;
    ++framesShown_;
    update();
    Q_EMIT frameShown();
}

void PlayerSurface::syncControls()
{
    const bool playing = player_ && player_->playbackState() == QMediaPlayer::PlayingState;
    playButton_->setIcon(glyph(playing));
    playButton_->setToolTip(playing ? L("Pause") : L("Play"));
    playButton_->setEnabled(player_ != nullptr);
    const qint64 duration = player_ ? player_->duration() : 0;
    const qint64 position = player_ ? player_->position() : 0;
    position_->setRange(0, int(std::min<qint64>(duration, INT_MAX)));
    if (!dragging_)
        position_->setValue(int(std::min<qint64>(position, INT_MAX)));
    time_->setText(clockText(position) + QStringLiteral(" / ") + clockText(duration));
}

void PlayerSurface::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        syncControls(); // the play button's tool tip
    QWidget::changeEvent(event);
}

void PlayerSurface::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    pushSize();
    layoutControls();
}

void PlayerSurface::pushSize()
{
    const QSize box = size() * devicePixelRatioF();
    if (decoder_)
        decoder_->setBox(box);
    std::lock_guard lock(grader_->mutex);
    grader_->box = box;
}

void PlayerSurface::layoutControls()
{
    // Floating over the lower edge of the picture, inset from the sides.
    const int margin = 12;
    const int height = controls_->sizeHint().height();
    controls_->setGeometry(margin, this->height() - height - margin, width() - 2 * margin, height);
    controls_->raise();
}

void PlayerSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull())
        return;
    // Fit the whole picture, keeping its aspect ratio.
    const QSizeF shown = QSizeF(frame_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target((width() - shown.width()) / 2, (height() - shown.height()) / 2,
                        shown.width(), shown.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame_);
}

} // namespace vidorra
