#include "DecodeReport.h"

#include "preview/PreviewSource.h"
#include "preview/VideoDecoder.h"

namespace vidorra {

namespace {

// Opens `path` as the previews do and decodes its first key frame, which is when a
// hardware decoder that cannot cope gives way to software.
QJsonObject decoding(const QString &path)
{
    QJsonObject out{{QStringLiteral("file"), path}};
    VideoDecoder decoder;
    if (!decoder.open(path)) {
        out.insert(QStringLiteral("error"), QStringLiteral("no decodable video"));
        return out;
    }
    const bool decoded = decoder.keyFrame(0.0).has_value();
    const QSize size = decoder.displaySize();
    out.insert(QStringLiteral("codec"), decoder.codecName());
    out.insert(QStringLiteral("size"), QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
    out.insert(QStringLiteral("decoder"), decoder.decoderName());
    if (const QString note = decoder.hardwareNote(); !note.isEmpty())
        out.insert(QStringLiteral("hardwareNote"), note);
    if (!decoded)
        out.insert(QStringLiteral("error"), QStringLiteral("the first key frame does not decode"));
    return out;
}

} // namespace

QJsonObject decodeReport(const QString &clip)
{
    const PreviewChoice choice = previewSource(clip);
    QJsonObject previews = decoding(choice.path);
    previews.insert(QStringLiteral("proxy"), choice.proxy);
    if (!choice.note.isEmpty())
        previews.insert(QStringLiteral("proxyNote"), choice.note);
    return QJsonObject{
        {QStringLiteral("path"), clip},
        {QStringLiteral("previews"), previews},
        {QStringLiteral("clip"), decoding(clip)},
    };
}

} // namespace vidorra
