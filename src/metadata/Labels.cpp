#include "metadata/Labels.h"

#include "text/Language.h"

#include <cmath>

namespace vidorra {

namespace {

// Halves away from zero. A rate with no whole-number meaning (NaN, infinite, beyond
// 64 bits) only comes from a damaged clip and counts as 0.
qint64 roundedRate(double fps)
{
    if (!std::isfinite(fps))
        return 0;
    const double r = std::round(fps);
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return 0;
    return qint64(r);
}

QString rateText(double fps)
{
    return QString::number(roundedRate(fps));
}

// One component of a destination path. The profile label comes from text inside the
// file, so it may be anything: control characters are dropped, "/" cannot split it,
// and a name that would be empty, refer to a folder itself ("." or "..") or be
// hidden from the folder scan (a leading dot) gets a visible "_" in front.
QString safeComponent(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            continue;
        out.append(c == u'/' ? QChar(u'-') : c);
    }
    if (out.isEmpty() || out.startsWith(u'.'))
        out.prepend(u'_');
    return out;
}

} // namespace

QString fpsLabel(double fps)
{
    return rateText(fps);
}

QString profileLabel(const ClipInfo &info)
{
    if (!info.recognized)
        return L("Unknown");
    if (!info.gammaText.isEmpty()) {
        const auto &byText = profileNamesByText();
        const auto it = byText.constFind(info.gammaText.toLower());
        if (it != byText.cend())
            return *it;
        QString label = info.gammaText;
        label.replace(u'/', u'-').replace(u':', u'-');
        return label;
    }
    if (info.bitDepth == 8)
        return L("Normal 8-bit");
    if (info.colorCode != 0) {
        const auto &byCode = profileNames();
        const auto it = byCode.constFind(info.colorCode);
        if (it != byCode.cend())
            return *it;
        return L("Unknown (value %d)", {info.colorCode});
    }
    return L("Not Specified");
}

bool isSlowMotion(const ClipInfo &info)
{
    return info.playbackFPS > 0 && info.captureFPS / info.playbackFPS >= 1.5;
}

QString speedKey(const ClipInfo &info)
{
    if (!(info.playbackFPS > 0))
        return QStringLiteral("Unknown");
    if (isSlowMotion(info))
        return QStringLiteral("Slow Motion");
    return rateText(info.playbackFPS) + u'p';
}

QString resolutionLabel(const ClipInfo &info)
{
    if (info.width < 1)
        return QString::number(info.height) + u'p';
    const qint64 longSide = info.height > 0 && info.height > info.width ? info.height : info.width;
    static constexpr struct {
        qint64 atLeast;
        const char *label;
    } rows[] = {
        {7600, "8K"}, {5700, "6K"}, {5000, "5K"}, {3800, "4K"}, {3000, "3K"},
        {2600, "2.7K"}, {2500, "1440p"}, {1900, "1080p"}, {1250, "720p"},
    };
    for (const auto &row : rows)
        if (longSide >= row.atLeast)
            return QString::fromLatin1(row.label);
    const qint64 shortest = info.height < 1 || info.height < info.width ? info.height : info.width;
    return QString::number(shortest) + u'p';
}

qint64 shortSide(const ClipInfo &info)
{
    if (info.width > 0 && info.height > 0)
        return std::min(info.width, info.height);
    return info.height;
}

QString resolutionTab(const ClipInfo &info)
{
    return info.recognized ? resolutionLabel(info) : L("Unknown");
}

QString folderName(const ClipInfo &info)
{
    if (!info.recognized)
        return safeComponent(L("Unknown"));
    QString inner;
    if (isSlowMotion(info))
        inner = L("%@ Slowmo %@fps to %@p",
                  {resolutionLabel(info), rateText(info.captureFPS), rateText(info.playbackFPS)});
    else
        inner = resolutionLabel(info) + u' ' + rateText(info.playbackFPS) + u'p';
    return safeComponent(profileLabel(info)) + u'/' + safeComponent(inner);
}

QString describe(const ClipInfo &info)
{
    if (!info.recognized)
        return L("Unknown");
    QStringList parts;
    if (isSlowMotion(info)) {
        parts << L("Slow Motion");
        parts << resolutionLabel(info) + u' ' + rateText(info.captureFPS) + QStringLiteral("fps");
    } else {
        parts << resolutionLabel(info) + u' ' + rateText(info.playbackFPS) + QStringLiteral("fps");
    }
    parts << profileLabel(info);
    if (info.iso >= 1)
        parts << QStringLiteral("ISO ") + QString::number(info.iso);
    if (!info.kelvin.isEmpty())
        parts << info.kelvin + u'K';
    return parts.join(QStringLiteral(" \u00B7 "));
}

bool takesColor(const ClipInfo &info)
{
    if (!info.gammaText.isEmpty()) {
        const QString lower = info.gammaText.toLower();
        return lower != QLatin1String("rec.709") && lower != QLatin1String("normal");
    }
    return info.bitDepth != 8 && profileNames().contains(info.colorCode);
}

} // namespace vidorra
