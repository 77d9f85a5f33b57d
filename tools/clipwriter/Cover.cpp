#include "ClipFixture.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace vidorra::fixture {

namespace {

// JPEG, or PNG where the JPEG plugin is missing.
QByteArray encodeCover(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 90)) {
        bytes.clear();
        buffer.seek(0);
        image.save(&buffer, "PNG");
    }
    return bytes;
}

} // namespace

// A colour gradient, so a decoded cover is easy to tell from a blank image.
QByteArray sampleCoverJpeg(int width, int height)
{
    QImage image(qMax(1, width), qMax(1, height), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(255 * x / image.width(), 255 * y / image.height(), 160));
    return encodeCover(image);
}

QByteArray sceneCoverJpeg(int width, int height, int scene, bool flat, double fps)
{
    QImage image(qMax(2, width), qMax(2, height), QImage::Format_RGBA8888);
    drawScene(image.bits(), image.width(), image.height(), image.bytesPerLine(), 0, scene, flat, fps);
    return encodeCover(image.convertToFormat(QImage::Format_RGB32));
}

} // namespace vidorra::fixture
