#include "ui/panels/PreviewOverlay.h"

#include "kit/FadeIn.h"
#include "kit/Fonts.h"
#include "model/Model.h"
#include "preview/LUTEngine.h"
#include "ui/frames/PlayerSurface.h"
#include "text/Language.h"

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace vidorra {

namespace {

constexpr int padSides = 60;
constexpr int padTopBottom = 44;
constexpr int nameSpacing = 10;
constexpr qreal cornerRadius = 5;

} // namespace

PreviewOverlay::PreviewOverlay(Model *model, QWidget *parent) : QWidget(parent), m(model)
{
    setObjectName(QStringLiteral("previewOverlay"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_NoSystemBackground);

    name = new QLabel(this);
    name->setObjectName(QStringLiteral("previewFileName"));
    name->setFont(Fonts::sans(11));
    name->setAlignment(Qt::AlignCenter);
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette pal = name->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255, int(0.65 * 255)));
    name->setPalette(pal);

    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("previewProblem"));
    problem->setFont(Fonts::sans(14));
    problem->setAlignment(Qt::AlignCenter);
    problem->setWordWrap(true);
    problem->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette bright = problem->palette();
    bright.setColor(QPalette::WindowText, QColor(255, 255, 255, int(0.85 * 255)));
    problem->setPalette(bright);
    problem->hide();

    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
    hide();
    connect(m, &Model::previewChanged, this, &PreviewOverlay::follow);
    connect(m, &Model::lutEnabledChanged, this, &PreviewOverlay::regrade);
}

PreviewOverlay::~PreviewOverlay()
{
    release();
}

void PreviewOverlay::follow()
{
    const std::optional<Planned> &wanted = m->preview();
    if (!wanted) {
        if (isOpen())
            dismiss();
        return;
    }
    const bool opening = !isOpen();
    start(*wanted);
    if (opening)
        appear();
}

void PreviewOverlay::appear()
{
    const bool appearing = !isVisible();
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    show();
    raise();
    if (appearing)
        fadeInLayer(this, 180, QEasingCurve::OutCubic);
    setFocus(Qt::OtherFocusReason);
}

void PreviewOverlay::dismiss()
{
    // The picture leaves in 0.18 s; the sound and the file go at once.
    fadeOutLayer(this, 180, QEasingCurve::OutCubic);
    release();
}

void PreviewOverlay::regrade()
{
    if (!isOpen() || !m->preview())
        return;
    cube = m->lutEnabled() ? LUTEngine::cube(m->preview()->info) : nullptr;
    if (surface_)
        surface_->setCube(cube);
}

// A fresh player and surface for the clip; the previous ones are paused, emptied and
// dropped first, so only one clip ever holds the sound and the file.
void PreviewOverlay::start(const Planned &item)
{
    release();
    cube = m->lutEnabled() ? LUTEngine::cube(item.info) : nullptr;

    player_ = makeMediaPlayer(this);
    surface_ = new PlayerSurface(this);
    surface_->setObjectName(QStringLiteral("previewSurface"));
    surface_->setCube(cube);
    surface_->setPlayer(player_);
    // The overlay keeps the keyboard: Space, Escape and the arrows go to the window's
    // shortcuts, not to the slider or the play button.
    surface_->setFocusPolicy(Qt::NoFocus);
    for (QWidget *child : surface_->findChildren<QWidget *>())
        child->setFocusPolicy(Qt::NoFocus);
    connect(surface_, &PlayerSurface::frameShown, this, &PreviewOverlay::layoutContent);
    surface_->show();
    problem->hide();
    // A clip the player cannot open would otherwise sit there black at 0:00 / 0:00.
    connect(player_, &QMediaPlayer::errorOccurred, this, &PreviewOverlay::showProblem);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia)
            showProblem();
    });

    name->setText(QFileInfo(item.url).fileName());
    layoutContent();

    player_->setSource(QUrl::fromLocalFile(item.url));
    player_->play();
}

void PreviewOverlay::showProblem()
{
    if (!surface_)
        return;
    surface_->hide();
    problem->setText(L("This clip can't be played."));
    problem->show();
    layoutContent();
}

QString PreviewOverlay::problemText() const
{
    return problem->isVisibleTo(this) ? problem->text() : QString();
}

void PreviewOverlay::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        problem->setText(L("This clip can't be played."));
    QWidget::changeEvent(event);
}

void PreviewOverlay::release()
{
    if (player_) {
        player_->pause();
        player_->setSource(QUrl());
    }
    if (surface_) {
        surface_->setPlayer(nullptr);
        surface_->hide();
        surface_->deleteLater();
    }
    if (player_)
        player_->deleteLater();
    player_ = nullptr;
    surface_ = nullptr;
    cube = nullptr;
}

// The picture's natural size: the frames once they come, the clip's record before.
QSize PreviewOverlay::videoSize() const
{
    if (surface_ && !surface_->currentFrame().isNull())
        return surface_->currentFrame().size();
    const std::optional<Planned> &shown = m->preview();
    if (shown && shown->info.width > 0 && shown->info.height > 0)
        return QSize(int(shown->info.width), int(shown->info.height));
    return QSize(16, 9);
}

QRect PreviewOverlay::pictureRect() const
{
    return surface_ ? surface_->geometry() : QRect();
}

// Picture and file name stacked and centred; the picture fits the space left by the
// padding and the name line, keeping its aspect ratio.
void PreviewOverlay::layoutContent()
{
    if (!surface_)
        return;
    const int nameHeight = name->fontMetrics().height();
    const QRect area = rect().adjusted(padSides, padTopBottom, -padSides, -padTopBottom);
    const QSize room(std::max(1, area.width()), std::max(1, area.height() - nameSpacing - nameHeight));
    const QSize shown = videoSize().scaled(room, Qt::KeepAspectRatio);
    const int stack = shown.height() + nameSpacing + nameHeight;
    const int top = area.top() + (area.height() - stack) / 2;
    const QRect picture(area.left() + (area.width() - shown.width()) / 2, top, shown.width(), shown.height());
    if (surface_->geometry() != picture) {
        surface_->setGeometry(picture);
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(0, 0, picture.width(), picture.height()), cornerRadius, cornerRadius);
        surface_->setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    }
    name->setText(name->fontMetrics().elidedText(m->preview() ? QFileInfo(m->preview()->url).fileName() : QString(),
                                                 Qt::ElideMiddle, area.width()));
    name->setGeometry(area.left(), picture.bottom() + 1 + nameSpacing, area.width(), nameHeight);
    problem->setGeometry(picture);
}

void PreviewOverlay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, int(0.88 * 255 + 0.5)));
}

void PreviewOverlay::mousePressEvent(QMouseEvent *event)
{
    // Clicks the picture does not take itself pass through here: they do not count.
    pressedOnBackground = event->button() == Qt::LeftButton && !pictureRect().contains(event->position().toPoint());
    event->accept();
}

void PreviewOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressedOnBackground && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    pressedOnBackground = false;
    event->accept();
    if (click && isOpen())
        m->setPreview(std::nullopt);
}

void PreviewOverlay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

bool PreviewOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

} // namespace vidorra
