#include "preview/Cover.h"

#include "metadata/BoxReader.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace vidorra {

std::optional<QImage> decodeCover(const QByteArray &bytes, int maxSide)
{
    if (bytes.isEmpty())
        return std::nullopt;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (maxSide > 0 && size.isValid() && std::max(size.width(), size.height()) > maxSide) {
        // Decoding at the reduced size lets JPEG skip most of its work.
        // Rounded, not truncated, so it matches the frames scaled by the video decoder.
        const double factor = double(maxSide) / std::max(size.width(), size.height());
        reader.setScaledSize(QSize(std::max(1, int(std::lround(size.width() * factor))),
                                   std::max(1, int(std::lround(size.height() * factor)))));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (maxSide > 0 && std::max(image.width(), image.height()) > maxSide)
        image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

std::optional<QImage> readCover(const QString &path)
{
    std::optional<QByteArray> bytes;
    try {
        bytes = readCoverData(path);
    } catch (...) {
        // An unreadable file simply has no cover.
    }
    if (!bytes)
        return std::nullopt;
    return decodeCover(*bytes, 0);
}

} // namespace vidorra
