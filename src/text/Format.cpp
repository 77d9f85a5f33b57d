#include "text/Format.h"

namespace vidorra {

namespace {

QString integerText(const QVariant &v)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok)
        return QString::number(n);
    // Large unsigned values and doubles still print as whole numbers.
    const qulonglong u = v.toULongLong(&ok);
    if (ok)
        return QString::number(u);
    return v.toString();
}

} // namespace

QString formatText(const QString &format, const QVariantList &args)
{
    QString out;
    out.reserve(format.size() + 16 * args.size());
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        const QChar d = format.at(i + 1);
        if (d == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        if (d == u'@') {
            if (next < args.size()) {
                out += args.at(next++).toString();
            } else {
                out += QStringLiteral("%@");
            }
            ++i;
            continue;
        }
        // Integer conversions with optional length modifiers: %d %i %u %ld %lld %lu %llu.
        qsizetype j = i + 1;
        while (j < n && format.at(j) == u'l' && j - i <= 2)
            ++j;
        if (j < n && (format.at(j) == u'd' || format.at(j) == u'i' || format.at(j) == u'u')) {
            if (next < args.size()) {
                out += integerText(args.at(next++));
            } else {
                out += format.mid(i, j - i + 1);
            }
            i = j;
            continue;
        }
        out += c;  // Anything else is literal text.
    }
    return out;
}

} // namespace vidorra
