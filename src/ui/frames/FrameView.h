#pragma once
// Shows a FrameSource's current frame scaled to fill and cropped. Takes no mouse
// events, so the card or tile underneath gets them. Tells its source the size it shows
// so frames are decoded at that size.

#include "preview/FrameSource.h"

#include <QPointer>
#include <QWidget>

namespace vidorra {

class FrameView : public QWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget *parent = nullptr);

    void setSource(FrameSource *source);
    FrameSource *source() const { return source_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void pushSize();
    QPointer<FrameSource> source_;
    QMetaObject::Connection connection_;
};

// The shared scrub player's frames (PreviewPlayer::source()).
class PreviewLayer : public FrameView {
    Q_OBJECT
public:
    explicit PreviewLayer(QWidget *parent = nullptr);
};

// One tile player's frames; setPlayer again when the tile's player changes.
class TilePlayerView : public FrameView {
    Q_OBJECT
public:
    explicit TilePlayerView(QWidget *parent = nullptr);
    void setPlayer(FrameSource *player) { setSource(player); }
};

} // namespace vidorra
