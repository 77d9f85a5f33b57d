#include "ProbeLut.h"

#include "preview/CubeFile.h"
#include "text/Language.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace vidorra {

namespace {

// Pictures of 8 bits per channel: what the lookup grades without losing anything.
bool eightBit(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        return true;
    default:
        return false;
    }
}

} // namespace

int gradeStill(const QString &cubePath, const QString &inPath, const QString &outPath, QString &error)
{
    const CubeFile table = readCubeFile(cubePath);
    if (!table.cube) {
        error = cubeMessage(*table.error, cubePath);
        return 2;
    }
    QImageReader reader(inPath);
    reader.setAutoTransform(false);
    QImage picture = reader.read();
    if (picture.isNull()) {
        error = QFileInfo(inPath).fileName() + QStringLiteral(": ") + reader.errorString();
        return 1;
    }
    if (!eightBit(picture.format())) {
        error = L("%@ is not an 8-bit RGB or RGBA picture", {QFileInfo(inPath).fileName()});
        return 1;
    }
    // Unpremultiplied, so colour values reach the table as they are stored.
    const bool alpha = picture.hasAlphaChannel();
    QImage graded = *table.cube->apply(picture.convertToFormat(QImage::Format_RGBA8888));
    if (!alpha)
        graded = graded.convertToFormat(QImage::Format_RGB888);
    // The values changed: the input's colour profile no longer describes them.
    graded.setColorSpace(QColorSpace());

    QSaveFile file(outPath);
    QImageWriter writer(&file, "png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(graded) || !file.commit()) {
        const QString why = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        error = QFileInfo(outPath).fileName() + QStringLiteral(": ") + why;
        return 1;
    }
    return 0;
}

} // namespace vidorra
