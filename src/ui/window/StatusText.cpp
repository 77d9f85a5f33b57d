#include "ui/window/StatusText.h"

#include "text/Language.h"

#include <QLocale>
#include <cmath>

namespace vidorra {

QString minutesSeconds(double seconds)
{
    const double safe = std::isfinite(seconds) ? seconds : 0.0;
    const long long whole = std::llround(safe);   // halves away from zero
    return QStringLiteral("%1:%2").arg(whole / 60).arg(std::llabs(whole % 60), 2, 10, QLatin1Char('0'));
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
