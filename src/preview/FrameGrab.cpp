#include "FrameGrab.h"

#include "VideoDecoder.h"

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
    VideoDecoder decoder;
    if (!decoder.open(path))
        return std::nullopt;
    decoder.seekNearestKey(seconds);
    if (!decoder.next()) {
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

} // namespace vidorra
