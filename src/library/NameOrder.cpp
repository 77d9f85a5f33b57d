#include "library/NameOrder.h"

namespace vidorra {

int compareScalars(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca = a[i].unicode();
        char32_t cb = b[j].unicode();
        if (ca == cb) {
            ++i;
            ++j;
            continue;
        }
        // Differing code units: decode whole scalars, so a surrogate pair (>= U+10000)
        // sorts after U+E000..U+FFFF as its scalar value says.
        if (QChar::isHighSurrogate(ca) && i + 1 < a.size() && a[i + 1].isLowSurrogate())
            ca = QChar::surrogateToUcs4(a[i], a[i + 1]);
        if (QChar::isHighSurrogate(cb) && j + 1 < b.size() && b[j + 1].isLowSurrogate())
            cb = QChar::surrogateToUcs4(b[j], b[j + 1]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        // Same scalar reached through different units cannot happen; step on.
        i += QChar::requiresSurrogates(ca) ? 2 : 1;
        j += QChar::requiresSurrogates(cb) ? 2 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int compareNames(const QString &a, const QString &b)
{
    if (a == b)
        return 0;
    return compareScalars(a.normalized(QString::NormalizationForm_C),
                          b.normalized(QString::NormalizationForm_C));
}

} // namespace vidorra
