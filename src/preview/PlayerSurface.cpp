#include "preview/PlayerSurface.h"

#include "preview/PictureScaler.h"
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

QThreadPool &gradePool()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
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

// Converts and grades frames off the main thread, one at a time, at the size they are
// shown: a 4K frame is scaled down in the conversion, and the grade then costs what the
// shown picture costs. A frame that arrives while one is being worked on replaces any
// frame already waiting, so a slow machine shows fewer frames rather than falling behind.
// `owner` is cleared before the surface goes away, so results only reach a live surface.
struct PlayerSurface::Grader : std::enable_shared_from_this<Grader> {
    std::mutex mutex;
    PlayerSurface *owner = nullptr;
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
        gradePool().start([self = shared_from_this(), frame] { self->work(frame); });
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
    : QWidget(parent), sink_(new QVideoSink(this)), grader_(std::make_shared<Grader>())
{
    grader_->owner = this;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);

    // Frames may arrive on the media framework's threads; the grader copes with any.
    connect(sink_, &QVideoSink::videoFrameChanged, sink_,
            [grader = grader_](const QVideoFrame &frame) { grader->offer(frame); }, Qt::DirectConnection);

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
    {
        std::lock_guard lock(grader_->mutex);
        grader_->owner = nullptr;
        grader_->waiting.reset();
    }
    if (player_ && player_->videoSink() == sink_)
        player_->setVideoSink(nullptr);
}

void PlayerSurface::setPlayer(QMediaPlayer *player)
{
    if (player_ == player)
        return;
    if (player_) {
        disconnect(player_, nullptr, this, nullptr);
        if (player_->videoSink() == sink_)
            player_->setVideoSink(nullptr);
    }
    player_ = player;
    frame_ = QImage();
    pushSize();   // a hidden surface hears of its size only when it is shown
    if (player_) {
        player_->setVideoSink(sink_);
        connect(player_, &QMediaPlayer::positionChanged, this, &PlayerSurface::syncControls);
        connect(player_, &QMediaPlayer::durationChanged, this, &PlayerSurface::syncControls);
        connect(player_, &QMediaPlayer::playbackStateChanged, this, &PlayerSurface::syncControls);
    }
    syncControls();
    update();
}

void PlayerSurface::setCube(const CubePtr &cube)
{
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
    std::lock_guard lock(grader_->mutex);
    grader_->box = size() * devicePixelRatioF();
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
