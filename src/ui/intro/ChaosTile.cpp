#include "ui/intro/ChaosTile.h"

#include "kit/Palette.h"

#include "ui/frames/FrameView.h"
#include "preview/TilePlayer.h"

#include <QFileInfo>
#include <QPainter>

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
    picture.cancel();
    stopTile();
}

void ChaosTile::setClip(const Planned &clip)
{
    if (item && item->id == clip.id) {
        item = clip;
        return;
    }
    stopTile();
    picture.cancel();
    picture.clear();
    item = clip;
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
    picture.cancel();
    picture.clear();
    item.reset();
    update();
}

void ChaosTile::loadPicture()
{
    if (item)
        picture.load(item->url, item->url, item->info.duration, {});
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
    picture.cancel();
    stopTile();
}

void ChaosTile::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    picture.resized();
    view->setGeometry(rect());
}

void ChaosTile::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    picture.paint(p, rect(), 0, Glass::placeholder().on(this));
}

} // namespace vidorra
