#include "preview/FrameSource.h"

namespace vidorra {

void FrameSource::setTargetSize(QSize size)
{
    if (size.isEmpty())
        return;
    std::lock_guard lock(sizeMutex_);
    target_ = size;
}

QSize FrameSource::targetSize() const
{
    std::lock_guard lock(sizeMutex_);
    return target_;
}

void FrameSource::showFrame(const QImage &frame)
{
    frame_ = frame;
    Q_EMIT frameChanged();
}

} // namespace vidorra
