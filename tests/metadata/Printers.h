#pragma once
// Readable failure messages for Qt values in GoogleTest.

#include <QByteArray>
#include <QString>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << "bytes[" << b.size() << "] " << b.left(64).toHex().toStdString(); }
QT_END_NAMESPACE
