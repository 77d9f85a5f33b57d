#include "ui/piles/CardText.h"

#include "ui/window/StatusText.h"

#include "metadata/Labels.h"
#include "text/Language.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace vidorra {

QString cardTimeText(double duration, std::optional<double> scrubFraction)
{
    if (!std::isfinite(duration) || duration < 0)
        duration = 0;
    if (scrubFraction) {
        const double f = std::clamp(*scrubFraction, 0.0, 1.0);
        return clockText(qint64(std::floor(f * duration)));
    }
    return clockText(qint64(std::round(duration)));
}

CardDetails cardDetails(const ClipInfo &info)
{
    QStringList parts;
    if (info.height >= 1 && info.playbackFPS > 0) {
        const double fps = isSlowMotion(info) ? info.captureFPS : info.playbackFPS;
        parts << resolutionLabel(info) + QLatin1Char(' ') + fpsLabel(fps) + QStringLiteral(" fps");
    }
    if (info.iso >= 1)
        parts << QStringLiteral("ISO ") + QString::number(info.iso);
    CardDetails out;
    out.parts = parts.join(QStringLiteral(" · "));
    if (!info.kelvin.isEmpty())
        out.kelvin = info.kelvin + QLatin1Char('K');
    if (out.parts.isEmpty() && out.kelvin.isEmpty())
        out.parts = L("No Data");
    return out;
}

std::optional<QString> rangeText(const QList<qint64> &values, const QString &suffix)
{
    if (values.isEmpty())
        return std::nullopt;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    if (*lo == *hi)
        return QString::number(*lo) + suffix;
    return QString::number(*lo) + QChar(0x2013) + QString::number(*hi) + suffix;
}

QString pileSettingsLine(const QList<Planned> &items)
{
    QList<qint64> isos;
    QList<qint64> kelvins;
    for (const Planned &p : items) {
        if (p.info.iso >= 1)
            isos << p.info.iso;
        bool ok = false;
        const qint64 k = p.info.kelvin.trimmed().toLongLong(&ok);
        if (ok)
            kelvins << k;
    }
    QStringList parts;
    if (auto iso = rangeText(isos))
        parts << QStringLiteral("ISO ") + *iso;
    if (auto k = rangeText(kelvins, QStringLiteral("K")))
        parts << *k;
    return parts.join(QStringLiteral(" · "));
}

QString pileTotalsLine(const QList<Planned> &items)
{
    qint64 bytes = 0;
    double seconds = 0;
    for (const Planned &p : items) {
        bytes += p.size;
        if (std::isfinite(p.info.duration))
            seconds += p.info.duration;
    }
    return stats(bytes, seconds);
}

} // namespace vidorra
