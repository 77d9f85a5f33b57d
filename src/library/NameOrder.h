#pragma once
// Ordering of names by Unicode scalar values after canonical normalisation (NFC).
// QString::compare orders UTF-16 code units, which puts U+E000..U+FFFF after the
// supplementary planes; this orders by code points instead.

#include <QString>

namespace vidorra {

// <0, 0 or >0. Case-sensitive; canonically equivalent texts compare equal.
int compareNames(const QString &a, const QString &b);
inline bool nameLess(const QString &a, const QString &b) { return compareNames(a, b) < 0; }
// Compares texts already in NFC (no normalisation on the way).
int compareScalars(QStringView a, QStringView b);

} // namespace vidorra
