#pragma once
// A schema-less Protocol Buffers wire-format decoder: one level at a time, values
// picked out by a path of field numbers.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace vidorra {

// The decoded value of one field: varint (raw, no zigzag), a fixed 64/32-bit float
// widened to double, or length-delimited bytes.
struct PB {
    std::variant<quint64, double, QByteArray> value;
    bool isInt() const { return std::holds_alternative<quint64>(value); }
    bool isFloat() const { return std::holds_alternative<double>(value); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(value); }
};

using ProtoFields = QList<std::pair<qint64, PB>>;

std::optional<ProtoFields> parseProto(const QByteArray &bytes);
std::optional<PB> pbValue(const QByteArray &bytes, const QList<qint64> &path);
double pbDouble(const QByteArray &bytes, const QList<qint64> &path);
qint64 pbInt(const QByteArray &bytes, const QList<qint64> &path);
QString pbString(const QByteArray &bytes, const QList<qint64> &path);

} // namespace vidorra
