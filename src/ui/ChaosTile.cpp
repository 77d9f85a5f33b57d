#include "ChaosTile.h"

#include "Palette.h"

#include "preview/CoverLoader.h"
#include "preview/FrameView.h"
#include "preview/TilePlayer.h"

#include <QFileInfo>
#include <QPainter>
#include <QPointer>
#include <cmath>

namespace vidorra {

ChaosTile::ChaosTile(QWidget *parent)
    : QWidget(parent)
{
    view = new TilePlayerView(this);
    view->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    view->hide();
}

ChaosTile::~ChaosTile()
{
    cancelPicture();
    stopTile();
}

void ChaosTile::setClip(const Planned &clip)
{
    if (item && item->id == clip.id) {
        item = clip;
        return;
    }
    stopTile();
    cancelPicture();
    item = clip;
    picture.reset();
    scaled = {};
    setToolTip(QFileInfo(clip.url).fileName());
    if (isVisible()) {
        loadPicture();
        startTile();
    }
    update();
}

void ChaosTile::clearClip()
{
    stopTile();
    cancelPicture();
    item.reset();
    picture.reset();
    scaled = {};
    update();
}

void ChaosTile::loadPicture()
{
    if (!item || picture || request)
        return;
    QPointer<ChaosTile> self(this);
    const QString path = item->url;
    request = CoverLoader::load(path, item->info.duration, {}, this, [self, path](const std::optional<QImage> &image) {
        if (!self || !self->item || self->item->url != path)
            return;
        self->request.reset();
        self->picture = image;
        self->scaled = {};
        self->update();
    });
}

void ChaosTile::cancelPicture()
{
    if (request) {
        request->cancel();
        request.reset();
    }
}

void ChaosTile::startTile()
{
    if (!item || player || !(item->info.duration > 0))
        return;
    // Fails when 16 tiles already play; the still picture then stays.
    player = TilePlayer::create(item->url, item->info.duration);
    if (!player)
        return;
    view->setPlayer(player.get());
    view->setGeometry(rect());
    view->show();
}

void ChaosTile::stopTile()
{
    view->hide();
    view->setPlayer(nullptr);
    if (player) {
        player->stop();
        player.reset();
    }
}

void ChaosTile::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    loadPicture();
    startTile();
}

void ChaosTile::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    cancelPicture();
    stopTile();
}

void ChaosTile::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scaled = {};
    view->setGeometry(rect());
}

void ChaosTile::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    if (!picture || picture->isNull()) {
        p.fillRect(r, Glass::placeholder().on(this));
        return;
    }
    const qreal dpr = devicePixelRatioF();
    const QSize target(qMax(1, qRound(r.width() * dpr)), qMax(1, qRound(r.height() * dpr)));
    if (scaled.size() != target) {
        const QImage big = picture->scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        scaled = QPixmap::fromImage(big.copy((big.width() - target.width()) / 2,
                                             (big.height() - target.height()) / 2, target.width(), target.height()));
        scaled.setDevicePixelRatio(dpr);
    }
    p.drawPixmap(r.topLeft(), scaled);
}

} // namespace vidorra
