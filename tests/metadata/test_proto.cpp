// The schema-less protobuf decoder: wire types, malformed levels, path lookups.
#include "Printers.h"
#include "Proto.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace vidorra;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray varint(quint64 v)
{
    QByteArray out;
    while (v >= 0x80) {
        out.append(char(v | 0x80));
        v >>= 7;
    }
    out.append(char(v));
    return out;
}

QByteArray field(qint64 number, int wireType) { return varint(quint64(number) << 3 | quint64(wireType)); }
QByteArray message(qint64 number, const QByteArray &payload)
{
    return field(number, 2) + varint(quint64(payload.size())) + payload;
}
QByteArray integer(qint64 number, quint64 value) { return field(number, 0) + varint(value); }
QByteArray single(qint64 number, float value)
{
    QByteArray raw(4, '\0');
    std::memcpy(raw.data(), &value, 4); // little-endian host
    return field(number, 5) + raw;
}

} // namespace

TEST(MetadataProtoParse, EmptyInputIsAnEmptyMessageButHoldsNoValue)
{
    const auto fields = parseProto({});
    ASSERT_TRUE(fields.has_value());
    EXPECT_TRUE(fields->isEmpty());
    EXPECT_FALSE(pbValue({}, {1}).has_value());
    EXPECT_EQ(pbInt({}, {1}), 0);
    EXPECT_EQ(pbDouble({}, {1}), 0.0);
    EXPECT_EQ(pbString({}, {1}), QString());
}

TEST(MetadataProtoParse, VarintFieldGivesIntToEveryAccessor)
{
    const QByteArray msg = bytes({0x08, 0x96, 0x01});
    const auto fields = parseProto(msg);
    ASSERT_TRUE(fields.has_value());
    ASSERT_EQ(fields->size(), 1);
    EXPECT_EQ(fields->at(0).first, 1);
    EXPECT_EQ(std::get<quint64>(fields->at(0).second.value), 150u);
    EXPECT_EQ(pbInt(msg, {1}), 150);
    EXPECT_EQ(pbDouble(msg, {1}), 150.0);
    EXPECT_EQ(pbString(msg, {1}), QString());
    EXPECT_FALSE(pbValue(msg, {}).has_value());
}

TEST(MetadataProtoParse, MalformedLevelIsNothing)
{
    EXPECT_FALSE(parseProto(bytes({0x00})).has_value()) << "field number 0";
    EXPECT_FALSE(parseProto(bytes({0x07})).has_value()) << "field 0 with wire type 7";
    EXPECT_FALSE(parseProto(bytes({0x0b})).has_value()) << "start group";
    EXPECT_FALSE(parseProto(bytes({0x0c})).has_value()) << "end group";
    EXPECT_FALSE(parseProto(bytes({0x0e})).has_value()) << "wire type 6";
    EXPECT_FALSE(parseProto(bytes({0x12, 0x03, 'a', 'b'})).has_value()) << "length one past the end";
    EXPECT_FALSE(parseProto(bytes({0x09, 1, 2, 3, 4, 5, 6, 7})).has_value()) << "7 of 8 fixed bytes";
    EXPECT_FALSE(parseProto(bytes({0x0d, 1, 2, 3})).has_value()) << "3 of 4 fixed bytes";
    EXPECT_FALSE(parseProto(bytes({0x08, 0x80})).has_value()) << "varint runs off the end";
    // A good field followed by a bad one spoils the whole level, first field included.
    EXPECT_FALSE(pbValue(bytes({0x08, 0x01, 0x00}), {1}).has_value());
}

TEST(MetadataProtoParse, VarintLengthLimits)
{
    // Ten bytes, the tenth still continuing: fails.
    QByteArray tooLong = bytes({0x08});
    tooLong += QByteArray(10, char(0xff));
    tooLong += char(0x01);
    EXPECT_FALSE(parseProto(tooLong).has_value());

    // All 64 bits set: ten bytes, the last 0x01. Bits past 63 in the tenth byte are dropped.
    const QByteArray allSet = integer(1, ~quint64(0));
    EXPECT_EQ(allSet.size(), 11);
    EXPECT_EQ(pbInt(allSet, {1}), -1);
    EXPECT_DOUBLE_EQ(pbDouble(allSet, {1}), 18446744073709551615.0);
    QByteArray overflow = bytes({0x08});
    overflow += QByteArray(9, char(0xff));
    overflow += char(0x7f);
    EXPECT_EQ(pbInt(overflow, {1}), -1);

    // A length near 2^64 must not wrap around the remaining-bytes test.
    EXPECT_FALSE(parseProto(field(1, 2) + varint(~quint64(0)) + "abc").has_value());
}

TEST(MetadataProtoParse, FixedWidthFloatsAreLittleEndian)
{
    const QByteArray msg = single(1, 29.97f);
    EXPECT_EQ(pbDouble(msg, {1}), double(29.97f));
    EXPECT_NE(pbDouble(msg, {1}), 29.97);
    EXPECT_EQ(pbInt(msg, {1}), 0);

    const QByteArray dbl = bytes({0x11, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f}); // 1.0
    EXPECT_EQ(pbDouble(dbl, {2}), 1.0);

    const QByteArray nan = bytes({0x0d, 0, 0, 0xc0, 0x7f});
    EXPECT_TRUE(std::isnan(pbDouble(nan, {1})));
}

TEST(MetadataProtoPath, DescendsAndTriesEveryOccurrence)
{
    const QByteArray withoutThree = message(2, integer(4, 9));
    const QByteArray withThree = message(2, integer(3, 77));
    const QByteArray msg = integer(1, 5) + withoutThree + withThree;
    EXPECT_EQ(pbInt(msg, {2, 3}), 77);
    EXPECT_EQ(pbInt(msg, {2, 4}), 9);
    // The first occurrence wins at the last step.
    EXPECT_EQ(pbValue(msg, {2})->isBytes(), true);
    EXPECT_EQ(std::get<QByteArray>(pbValue(msg, {2})->value), integer(4, 9));
    // An int cannot be descended into.
    EXPECT_FALSE(pbValue(msg, {1, 1}).has_value());
}

TEST(MetadataProtoPath, MalformedNestedMessageOnlyAffectsItsOwnPaths)
{
    const QByteArray broken = message(2, bytes({0x00, 0x01}));
    const QByteArray msg = broken + message(2, integer(3, 8)) + message(5, QByteArray("OsmoPocket3"));
    EXPECT_EQ(pbInt(msg, {2, 3}), 8);
    EXPECT_EQ(pbString(msg, {5}), QStringLiteral("OsmoPocket3"));
    EXPECT_FALSE(pbValue(broken, {2, 1}).has_value());
    // The nested level is kept as bytes at the outer level.
    EXPECT_TRUE(parseProto(broken).has_value());
}

TEST(MetadataProtoPath, StringsDecodeUtf8WithReplacement)
{
    EXPECT_EQ(pbString(message(1, QByteArray("D-Log \xc3\xa9")), {1}), QStringLiteral("D-Log \u00e9"));
    EXPECT_EQ(pbString(message(1, QByteArray("a\xff")), {1}), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(pbString(integer(1, 3), {1}), QString());
}

TEST(MetadataProtoPath, DeepNestingDoesNotRecurseBeyondThePath)
{
    // A deeply nested message is harmless because only the path decides the depth.
    QByteArray msg = integer(1, 1);
    for (int i = 0; i < 2000; ++i)
        msg = message(1, msg);
    EXPECT_TRUE(pbValue(msg, {1, 1, 1}).has_value());
    EXPECT_EQ(pbInt(msg, {1, 1, 1}), 0) << "still bytes at depth 3";
}
