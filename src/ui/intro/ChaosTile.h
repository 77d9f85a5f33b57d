#pragma once
// One clip of the intro mosaic: its still picture, covered by a silent looping tile
// player while the tile is on screen and a player can be had (at most 16 play at once).

#include "ui/piles/CardPicture.h"

#include "library/Scan.h"

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

namespace vidorra {

class TilePlayer;
class TilePlayerView;

class ChaosTile : public QWidget {
    Q_OBJECT
public:
    explicit ChaosTile(QWidget *parent = nullptr);
    ~ChaosTile() override;

    // Binds the tile to a clip; another clip drops the picture and the player.
    void setClip(const Planned &item);
    void clearClip();
    const std::optional<Planned> &clip() const { return item; }

    const std::optional<QImage> &cover() const { return picture.image(); }
    // The tile's player while it has one.
    TilePlayer *tile() const { return player.get(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void loadPicture();
    void startTile();
    void stopTile();

    std::optional<Planned> item;
    CardPicture picture{this};
    std::unique_ptr<TilePlayer> player;
    TilePlayerView *view = nullptr;
};

} // namespace vidorra
