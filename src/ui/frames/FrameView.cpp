#include "ui/frames/FrameView.h"

#include "preview/PreviewPlayer.h"

#include <QPainter>

namespace vidorra {

FrameView::FrameView(QWidget *parent) : QWidget(parent)
{
    // The card or tile underneath handles the pointer.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void FrameView::setSource(FrameSource *source)
{
    if (source_ == source)
        return;
    disconnect(connection_);
    source_ = source;
    if (source) {
        connection_ = connect(source, &FrameSource::frameChanged, this, qOverload<>(&QWidget::update));
        pushSize();
    }
    update();
}

void FrameView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    pushSize();
}

void FrameView::pushSize()
{
    if (source_ && !size().isEmpty())
        source_->setTargetSize(size() * devicePixelRatioF());
}

void FrameView::paintEvent(QPaintEvent *)
{
    if (!source_)
        return;
    const QImage frame = source_->frame();
    if (frame.isNull())
        return;
    // Fill the view keeping the aspect ratio and crop the overflow, centred.
    const QSizeF area = size();
    QSizeF shown = QSizeF(frame.size()).scaled(area, Qt::KeepAspectRatioByExpanding);
    const QRectF target((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2,
                        shown.width(), shown.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(rect());
    painter.drawImage(target, frame);
}

PreviewLayer::PreviewLayer(QWidget *parent) : FrameView(parent)
{
    setSource(PreviewPlayer::source());
}

TilePlayerView::TilePlayerView(QWidget *parent) : FrameView(parent) {}

} // namespace vidorra
