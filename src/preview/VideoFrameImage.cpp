#include "preview/VideoFrameImage.h"

#include "preview/PictureScaler.h"

#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <algorithm>
#include <utility>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace vidorra {

namespace {

// FFmpeg's name for the frame's layout; `swapChroma` for layouts FFmpeg names with the
// chroma planes the other way round.
AVPixelFormat layoutOf(QVideoFrameFormat::PixelFormat format, bool *swapChroma)
{
    *swapChroma = false;
    switch (format) {
    case QVideoFrameFormat::Format_NV12: return AV_PIX_FMT_NV12;
    case QVideoFrameFormat::Format_NV21: return AV_PIX_FMT_NV21;
    case QVideoFrameFormat::Format_P010: return AV_PIX_FMT_P010LE;
    case QVideoFrameFormat::Format_P016: return AV_PIX_FMT_P016LE;
    case QVideoFrameFormat::Format_YUV420P: return AV_PIX_FMT_YUV420P;
    case QVideoFrameFormat::Format_YV12: *swapChroma = true; return AV_PIX_FMT_YUV420P;
    case QVideoFrameFormat::Format_YUV422P: return AV_PIX_FMT_YUV422P;
    case QVideoFrameFormat::Format_YUV420P10: return AV_PIX_FMT_YUV420P10LE;
    case QVideoFrameFormat::Format_UYVY: return AV_PIX_FMT_UYVY422;
    case QVideoFrameFormat::Format_YUYV: return AV_PIX_FMT_YUYV422;
    case QVideoFrameFormat::Format_Y8: return AV_PIX_FMT_GRAY8;
    case QVideoFrameFormat::Format_Y16: return AV_PIX_FMT_GRAY16LE;
    // Qt names packed formats by their bytes in memory, as FFmpeg does.
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied: return AV_PIX_FMT_ARGB;
    case QVideoFrameFormat::Format_XRGB8888: return AV_PIX_FMT_0RGB;
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied: return AV_PIX_FMT_BGRA;
    case QVideoFrameFormat::Format_BGRX8888: return AV_PIX_FMT_BGR0;
    case QVideoFrameFormat::Format_ABGR8888: return AV_PIX_FMT_ABGR;
    case QVideoFrameFormat::Format_XBGR8888: return AV_PIX_FMT_0BGR;
    case QVideoFrameFormat::Format_RGBA8888: return AV_PIX_FMT_RGBA;
    case QVideoFrameFormat::Format_RGBX8888: return AV_PIX_FMT_RGB0;
    default: return AV_PIX_FMT_NONE;
    }
}

int colorspaceOf(QVideoFrameFormat::ColorSpace space)
{
    switch (space) {
    case QVideoFrameFormat::ColorSpace_BT601: return AVCOL_SPC_BT470BG;
    case QVideoFrameFormat::ColorSpace_BT709: return AVCOL_SPC_BT709;
    case QVideoFrameFormat::ColorSpace_BT2020: return AVCOL_SPC_BT2020_NCL;
    default: return AVCOL_SPC_UNSPECIFIED;
    }
}

} // namespace

QImage shownImage(const QVideoFrame &source, QSize box, PictureScaler &scaler)
{
    QVideoFrame frame = source;
    const QSize size = scaledSize(frame.size(), box, false);
    bool swap = false;
    const AVPixelFormat layout = layoutOf(frame.pixelFormat(), &swap);
    if (layout != AV_PIX_FMT_NONE && !size.isEmpty() && frame.map(QVideoFrame::ReadOnly)) {
        const uint8_t *planes[4] = {};
        int strides[4] = {};
        for (int i = 0; i < std::min(frame.planeCount(), 4); ++i) {
            planes[i] = frame.bits(i);
            strides[i] = frame.bytesPerLine(i);
        }
        if (swap) {
            std::swap(planes[1], planes[2]);
            std::swap(strides[1], strides[2]);
        }
        PlanarPicture picture;
        picture.planes = planes;
        picture.strides = strides;
        picture.format = layout;
        picture.width = frame.width();
        picture.height = frame.height();
        picture.colorspace = colorspaceOf(frame.surfaceFormat().colorSpace());
        picture.fullRange = frame.surfaceFormat().colorRange() == QVideoFrameFormat::ColorRange_Full;
        QImage image = scaler.scale(picture, size);
        frame.unmap();
        if (!image.isNull())
            return image;
    }
    // A layout swscale does not read (or a frame on the graphics card): Qt's own
    // conversion, then the scaling.
    QImage image = source.toImage();
    if (image.isNull())
        return {};
    if (image.size() != size && !size.isEmpty())
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace vidorra
