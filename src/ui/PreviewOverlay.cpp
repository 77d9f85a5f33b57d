#include "PreviewOverlay.h"

#include "FadeIn.h"
#include "Fonts.h"
#include "model/Model.h"
#include "preview/LUTEngine.h"
#include "preview/PlayerSurface.h"
#include "text/Language.h"

#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace vidorra {

namespace {

constexpr int kPadSides = 60;
constexpr int kPadTopBottom = 44;
constexpr int kSpacing = 10;
constexpr qreal kCornerRadius = 5;

} // namespace

PreviewOverlay::PreviewOverlay(QWidget *parent) : QWidget(parent)
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
}

PreviewOverlay::~PreviewOverlay()
{
    release();
}

void PreviewOverlay::open(const Planned &item, bool on, const QList<Planned> &list)
{
    pile = list;
    colorOn = on;
    const bool appearing = !isVisible();
    start(item);
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
    current.reset();
    pile.clear();
}

bool PreviewOverlay::step(int delta)
{
    if (!current)
        return false;
    qsizetype at = -1;
    for (qsizetype i = 0; i < pile.size(); ++i)
        if (pile[i].id == current->id)
            at = i;
    if (at < 0 || at + delta < 0 || at + delta >= pile.size())
        return false;
    start(pile[at + delta]);
    return true;
}

void PreviewOverlay::setColorOn(bool on)
{
    colorOn = on;
    if (!current)
        return;
    cube = colorOn ? LUTEngine::cube(current->info) : nullptr;
    if (surface_)
        surface_->setCube(cube);
}

// A fresh player and surface for the clip; the previous ones are paused, emptied and
// dropped first, so only one clip ever holds the sound and the file.
void PreviewOverlay::start(const Planned &item)
{
    release();
    current = item;
    cube = colorOn ? LUTEngine::cube(item.info) : nullptr;

    player_ = makeMediaPlayer(this);
    surface_ = new PlayerSurface(this);
    surface_->setObjectName(QStringLiteral("previewSurface"));
    surface_->setCube(cube);
    surface_->setPlayer(player_);
    // The overlay keeps the keyboard: Space, Escape and the arrows are its keys, not the
    // slider's or the play button's.
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

void PreviewOverlay::requestClose()
{
    if (!isOpen())
        return;
    dismiss();
    Q_EMIT closed();
}

// The picture's natural size: the frames once they come, the clip's record before.
QSize PreviewOverlay::videoSize() const
{
    if (surface_ && !surface_->currentFrame().isNull())
        return surface_->currentFrame().size();
    if (current && current->info.width > 0 && current->info.height > 0)
        return QSize(int(current->info.width), int(current->info.height));
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
    const QRect area = rect().adjusted(kPadSides, kPadTopBottom, -kPadSides, -kPadTopBottom);
    const QSize room(std::max(1, area.width()), std::max(1, area.height() - kSpacing - nameHeight));
    const QSize shown = videoSize().scaled(room, Qt::KeepAspectRatio);
    const int stack = shown.height() + kSpacing + nameHeight;
    const int top = area.top() + (area.height() - stack) / 2;
    const QRect picture(area.left() + (area.width() - shown.width()) / 2, top, shown.width(), shown.height());
    if (surface_->geometry() != picture) {
        surface_->setGeometry(picture);
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(0, 0, picture.width(), picture.height()), kCornerRadius, kCornerRadius);
        surface_->setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    }
    name->setText(name->fontMetrics().elidedText(current ? QFileInfo(current->url).fileName() : QString(),
                                                 Qt::ElideMiddle, area.width()));
    name->setGeometry(area.left(), picture.bottom() + 1 + kSpacing, area.width(), nameHeight);
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
    if (click)
        requestClose();
}

void PreviewOverlay::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier)
        return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Space:
        requestClose();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (step(event->key() == Qt::Key_Left ? -1 : 1))
            Q_EMIT stepped(*current);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    event->accept();
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

void PreviewOverlay::bind(Model *m, std::function<QList<Planned>()> openItems)
{
    if (model)
        disconnect(model, nullptr, this, nullptr);
    model = m;
    if (!model)
        return;
    auto items = std::make_shared<std::function<QList<Planned>()>>(std::move(openItems));
    connect(model, &Model::previewChanged, this, [this, items] {
        const auto &wanted = model->preview();
        if (!wanted) {
            if (isOpen())
                dismiss();
            return;
        }
        if (!isOpen())
            open(*wanted, model->lutEnabled(), *items ? (*items)() : QList<Planned>());
        else if (current->id != wanted->id) {
            pile = *items ? (*items)() : QList<Planned>();
            start(*wanted); // the window stepped
        }
    });
    connect(model, &Model::lutEnabledChanged, this, [this] { setColorOn(model->lutEnabled()); });
    connect(this, &PreviewOverlay::closed, model, [this] {
        if (model && model->preview())
            model->setPreview(std::nullopt);
    });
    connect(this, &PreviewOverlay::stepped, model, [this](const Planned &item) {
        if (model)
            model->setPreview(item);
    });
}

} // namespace vidorra
