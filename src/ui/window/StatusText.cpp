#include "ui/window/StatusText.h"

#include "text/Language.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace vidorra {

QString clockText(qint64 wholeSeconds)
{
    wholeSeconds = std::max<qint64>(0, wholeSeconds);
    return QStringLiteral("%1:%2").arg(wholeSeconds / 60).arg(wholeSeconds % 60, 2, 10, QLatin1Char('0'));
}

QString minutesSeconds(double seconds)
{
    const double safe = std::isfinite(seconds) ? seconds : 0.0;
    return clockText(std::llround(safe));   // halves away from zero
}

QString fileSize(qint64 bytes)
{
    return Language::locale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString stats(qint64 bytes, double seconds)
{
    return fileSize(bytes) + QStringLiteral(" · ") + minutesSeconds(seconds);
}

QString statusText(int clips, qint64 bytes, double seconds)
{
    return Ln("%n clips · %@", clips, {stats(bytes, seconds)});
}

} // namespace vidorra
