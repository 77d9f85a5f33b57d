#pragma once
// Something that produces frames for a view to show: the shared scrub player or a tile
// player. Lives on the main thread; frames arrive there already scaled and graded.

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <mutex>

namespace vidorra {

class FrameSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The frame to show now; null before the first one.
    QImage frame() const { return frame_; }

    // The size frames are decoded at (the view's size in device pixels). Decoders read
    // it from their own threads.
    void setTargetSize(QSize size);
    QSize targetSize() const;

Q_SIGNALS:
    void frameChanged();

protected:
    void showFrame(const QImage &frame);

private:
    QImage frame_;
    mutable std::mutex sizeMutex_;
    QSize target_{320, 180};
};

} // namespace vidorra
