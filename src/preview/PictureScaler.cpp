#include "preview/PictureScaler.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace vidorra {

PictureScaler::~PictureScaler()
{
    sws_freeContext(sws);
}

QSize scaledSize(QSize frame, QSize box, bool fill)
{
    const int w = frame.width(), h = frame.height();
    if (w <= 0 || h <= 0)
        return {};
    if (box.width() <= 0 || box.height() <= 0)
        return frame;
    const double sx = double(box.width()) / w, sy = double(box.height()) / h;
    const double factor = std::min(1.0, fill ? std::max(sx, sy) : std::min(sx, sy));
    return {std::max(1, int(std::lround(w * factor))), std::max(1, int(std::lround(h * factor)))};
}

QImage PictureScaler::scale(const PlanarPicture &picture, QSize size)
{
    const int w = picture.width, h = picture.height;
    if (w <= 0 || h <= 0 || size.isEmpty() || !picture.planes || !picture.strides)
        return {};
    const auto format = AVPixelFormat(picture.format);
    if (!sws_isSupportedInput(format))
        return {};
    sws = sws_getCachedContext(sws, w, h, format, size.width(), size.height(), AV_PIX_FMT_RGBA, SWS_BILINEAR,
                               nullptr, nullptr, nullptr);
    if (!sws)
        return {};
    // Video levels and matrix as the stream says; HD and larger default to BT.709.
    int space = picture.colorspace;
    if (space == AVCOL_SPC_UNSPECIFIED || space == AVCOL_SPC_RESERVED)
        space = h >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    const bool rgb = desc && (desc->flags & AV_PIX_FMT_FLAG_RGB);
    const int fullRange = rgb || picture.fullRange || format == AV_PIX_FMT_YUVJ420P
        || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
    sws_setColorspaceDetails(sws, sws_getCoefficients(space), fullRange, sws_getCoefficients(AVCOL_SPC_BT709), 1,
                             0, 1 << 16, 1 << 16);

    // swscale's vector code writes whole blocks and may run past the end of a row that is
    // not a multiple of its block width: scale into a padded picture, then cut it out.
    QImage padded((size.width() + 31) & ~31, size.height() + 2, QImage::Format_RGBA8888);
    if (padded.isNull())
        return {};
    uint8_t *dst[4] = {padded.bits(), nullptr, nullptr, nullptr};
    int stride[4] = {int(padded.bytesPerLine()), 0, 0, 0};
    if (sws_scale(sws, picture.planes, picture.strides, 0, h, dst, stride) <= 0)
        return {};
    return padded.copy(0, 0, size.width(), size.height());
}

} // namespace vidorra
