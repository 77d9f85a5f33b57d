// The schema-less protobuf decoder: wire types, malformed levels, path lookups.
#include "Printers.h"
#include "metadata/Proto.h"

#include <gtest/gtest.h>


using namespace vidorra;

namespace {

QByteArray hex(const char *digits) { return QByteArray::fromHex(digits); }

QByteArray varint(quint64 v)
{
    QByteArray out;
    for (; v >= 0x80; v >>= 7)
        out.append(char(v | 0x80));
    return out + char(v);
}

QByteArray field(qint64 number, int wireType) { return varint(quint64(number) << 3 | quint64(wireType)); }
QByteArray message(qint64 number, const QByteArray &payload)
{
    return field(number, 2) + varint(quint64(payload.size())) + payload;
}
QByteArray integer(qint64 number, quint64 value) { return field(number, 0) + varint(value); }

} // namespace

TEST(MetadataProtoParse, EmptyInputAndVarints)
{
    EXPECT_TRUE(parseProto({}).has_value() && parseProto({})->isEmpty()) << "an empty message, not a malformed one";
    EXPECT_FALSE(pbValue({}, {1}).has_value());

    const QByteArray msg = hex("089601");
    EXPECT_EQ(pbInt(msg, {1}), 150);
    EXPECT_EQ(pbDouble(msg, {1}), 150.0);
    EXPECT_EQ(pbString(msg, {1}), QString());
    EXPECT_FALSE(pbValue(msg, {}).has_value());
}

TEST(MetadataProtoParse, MalformedLevelIsNothing)
{
    const struct { const char *what; QByteArray message; } rows[] = {
        {"field number 0", hex("00")}, {"field 0 with wire type 7", hex("07")},
        {"start group", hex("0b")}, {"end group", hex("0c")}, {"wire type 6", hex("0e")},
        {"length one past the end", hex("12036162")},
        {"7 of 8 fixed bytes", hex("0901020304050607")}, {"3 of 4 fixed bytes", hex("0d010203")},
        {"varint runs off the end", hex("0880")},
        {"ten varint bytes, the tenth continuing", hex("08" "ffffffffffffffffffff" "01")},
        {"a length near 2^64 must not wrap", field(1, 2) + varint(~quint64(0)) + "abc"},
        {"a length past 2^63 must not turn negative", field(1, 2) + varint(quint64(1) << 63) + "abc"}};
    for (const auto &row : rows)
        EXPECT_FALSE(parseProto(row.message).has_value()) << row.what;
    // A good field followed by a bad one spoils the whole level, first field included.
    EXPECT_FALSE(pbValue(hex("080100"), {1}).has_value());
}

TEST(MetadataProtoParse, SixtyFourBitVarints)
{
    const QByteArray allSet = integer(1, ~quint64(0));
    EXPECT_EQ(allSet.size(), 11);
    EXPECT_EQ(pbInt(allSet, {1}), -1);
    EXPECT_DOUBLE_EQ(pbDouble(allSet, {1}), 18446744073709551615.0);
    // Bits past 63 in the tenth byte are dropped.
    EXPECT_EQ(pbInt(hex("08" "ffffffffffffffffff" "7f"), {1}), -1);
}

TEST(MetadataProtoPath, DescendsAndTriesEveryOccurrence)
{
    const QByteArray msg = integer(1, 5) + message(2, integer(4, 9)) + message(2, integer(3, 77));
    EXPECT_EQ(pbInt(msg, {2, 3}), 77);
    EXPECT_EQ(pbInt(msg, {2, 4}), 9);
    EXPECT_EQ(std::get<QByteArray>(pbValue(msg, {2})->value), integer(4, 9)) << "the first wins at the last step";
    EXPECT_FALSE(pbValue(msg, {1, 1}).has_value()) << "an int cannot be descended into";
}

TEST(MetadataProtoPath, MalformedNestedMessageOnlyAffectsItsOwnPaths)
{
    const QByteArray broken = message(2, hex("0001"));
    const QByteArray msg = broken + message(2, integer(3, 8)) + message(5, QByteArray("OsmoPocket3"));
    EXPECT_EQ(pbInt(msg, {2, 3}), 8);
    EXPECT_EQ(pbString(msg, {5}), QStringLiteral("OsmoPocket3"));
    EXPECT_FALSE(pbValue(broken, {2, 1}).has_value());
    EXPECT_TRUE(parseProto(broken).has_value()) << "kept as bytes at the outer level";
}

TEST(MetadataProtoPath, StringsDecodeUtf8WithReplacement)
{
    EXPECT_EQ(pbString(message(1, QByteArray("D-Log \xc3\xa9")), {1}), QStringLiteral("D-Log \u00e9"));
    EXPECT_EQ(pbString(message(1, QByteArray("a\xff")), {1}), QStringLiteral("a\uFFFD"));
}

TEST(MetadataProtoPath, DeepNestingDoesNotRecurseBeyondThePath)
{
    QByteArray msg = integer(1, 1);
    for (int i = 0; i < 2000; ++i)
        msg = message(1, msg);
    EXPECT_TRUE(pbValue(msg, {1, 1, 1}).has_value());
    EXPECT_EQ(pbInt(msg, {1, 1, 1}), 0) << "still bytes at depth 3";
}
