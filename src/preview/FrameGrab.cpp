#include "preview/FrameGrab.h"

#include "preview/DecodeBudget.h"
#include "preview/PreviewSource.h"
#include "preview/VideoDecoder.h"

#include <QThread>
#include <algorithm>
#include <cmath>

namespace vidorra {

double coverFrameTime(double duration)
{
    if (!std::isfinite(duration))
        return 0.0;
    return std::clamp(duration * 0.1, 0.0, 1.0);
}

std::optional<QImage> grabFrame(const QString &path, double seconds, QSize box)
{
    // A single picture: slice threads share it out (rows of a 4K HEVC key frame decode
    // side by side), so a lone thumbnail comes sooner; they hold no pictures of their own.
    VideoDecoder::Options options;
    options.threads = std::clamp(QThread::idealThreadCount(), 1, 4);
    VideoDecoder decoder;
    if (!decoder.open(path, options))
        return std::nullopt;
    const BudgetShare share(DecodeBudget::shortLived(), decoder.pictureMemory());
    if (!decoder.keyFrame(seconds)) {
        // A broken index: start over from the beginning rather than give up.
        decoder.seek(0.0);
        if (!decoder.next())
            return std::nullopt;
    }
    QImage image = decoder.image(box, VideoDecoder::Scale::Fit);
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QImage> grabClipFrame(const QString &clip, double seconds, QSize box)
{
    const PreviewChoice source = previewSource(clip);
    if (source.proxy) {
        if (std::optional<QImage> frame = grabFrame(source.path, seconds, box))
            return frame;
    }
    return grabFrame(clip, seconds, box);
}

} // namespace vidorra
