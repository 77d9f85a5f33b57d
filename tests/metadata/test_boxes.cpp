// The in-memory box walk, the moov search through positioned reads, and the track
// duration: boxes that end early, lie about their size or claim 64-bit sizes.
#include "metadata/BoxReader.h"
#include "metadata/PositionedReader.h"
#include "Printers.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vidorra;

namespace {

QByteArray be32(quint32 v) { return QByteArray().append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v)); }
QByteArray be64(quint64 v) { return be32(quint32(v >> 32)) + be32(quint32(v)); }
QByteArray box(const char *type, const QByteArray &payload) { return be32(quint32(8 + payload.size())) + type + payload; }
QByteArray box64(const char *type, const QByteArray &payload)
{
    return be32(1) + type + be64(quint64(16 + payload.size())) + payload;
}

std::optional<QByteArray> moovOf(const QByteArray &file)
{
    MemoryReader reader(file);
    return readMoov(reader);
}

} // namespace

TEST(MetadataByteReaders, TagsReplaceInvalidBytesAndNothingIsReadPastTheEnd)
{
    const QByteArray data = be32(0x01020304) + QByteArray("\xff" "abc", 4);
    EXPECT_EQ(tag(data, 4), QStringLiteral("\uFFFDabc"));
    EXPECT_EQ(u32(data, data.size() - 3), 0u);
    EXPECT_EQ(u32(data, -1), 0u);
    EXPECT_EQ(tag(data, data.size()), QString());
}

TEST(MetadataBoxWalk, KeepsWhatCameBeforeTheFirstBadBox)
{
    const QByteArray two = box("ftyp", "isom") + box("free", {});
    const QByteArray data = two + be32(100) + "mdat" + "abcd"; // claims 100, holds 12
    const auto list = boxes(data, 0, data.size());
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].range(), (ByteRange{8, 12}));
    EXPECT_EQ(list[1].type, "free");
    EXPECT_EQ(boxes(two + be32(7) + "free", 0, two.size() + 8).size(), 2) << "size below the header";
    EXPECT_TRUE(boxes(data, 0, 7).isEmpty());
    EXPECT_TRUE(boxes(data, 5, 4).isEmpty());
}

TEST(MetadataBoxWalk, SizeZeroAnd64BitSizes)
{
    const QByteArray data = box64("trak", "payload") + be32(0) + "udta" + "rest of range";
    const auto list = boxes(data, 0, data.size());
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].range(), (ByteRange{16, 23}));
    EXPECT_EQ(list[1].type, "udta");
    EXPECT_EQ(list[1].end, data.size()) << "size 0 runs to the end of the range";

    EXPECT_TRUE(boxes(be32(1) + "free" + be64(15), 0, 16).isEmpty()) << "below its own header";
    EXPECT_TRUE(boxes(be32(1) + "free" + be32(0), 0, 12).isEmpty()) << "16-byte header in 12 bytes";
    EXPECT_TRUE(boxes(be32(1) + "free" + be64(~quint64(0)), 0, 16).isEmpty()) << "2^64-1 must not wrap";
}

TEST(MetadataBoxWalk, ChildFindsOnlyDirectChildren)
{
    const QByteArray data = box("mdia", box("mdhd", "x")) + box("hdlr", "y") + box("hdlr", "z");
    const ByteRange all{0, data.size()};
    EXPECT_FALSE(child(data, all, "mdhd").has_value());
    EXPECT_EQ(child(data, all, "hdlr"), (ByteRange{25, 26})) << "the first of two";
    EXPECT_TRUE(child(data, *child(data, all, "mdia"), "mdhd").has_value());
    EXPECT_FALSE(child(data, all, QStringLiteral("\uFFFDdia")).has_value());
}

TEST(MetadataReadMoov, FindsTheMoovWithoutReadingMediaData)
{
    const QByteArray payload = box("mvhd", QByteArray(20, 'h'));
    const QByteArray file = box("ftyp", "isom") + box64("mdat", QByteArray(1000, 'm')) + box("moov", payload);
    MemoryReader reader(file);
    EXPECT_EQ(readMoov(reader), payload);
    EXPECT_LT(reader.bytesRead(), 64 + payload.size());

    EXPECT_EQ(moovOf(box("ftyp", "isom") + be32(0) + "moov" + payload), payload) << "size 0 runs to the end";
    EXPECT_EQ(moovOf(box64("moov", payload)), payload);
}

TEST(MetadataReadMoov, FindsNothingInMalformedFiles)
{
    const QByteArray moov = box("moov", box("mvhd", "x"));
    QByteArray oversized = moov;
    qToBigEndian<quint32>(quint32(moov.size() + 1), oversized.data());
    const struct { const char *what; QByteArray file; } rows[] = {
        {"empty", {}}, {"shorter than a header", "moov"},
        {"size 0 swallows the rest", be32(0) + "mdat" + moov},
        {"64-bit size below its header", be32(1) + "mdat" + be64(15) + moov},
        {"size below the header", be32(4) + "free" + moov}, {"64-bit size cut short", be32(1) + "moov" + be32(0)},
        {"claims more than the file holds", oversized}, {"a tail too short for a header", box("free", "abcd") + "xyz"}};
    for (const auto &row : rows)
        EXPECT_FALSE(moovOf(row.file).has_value()) << row.what;
}

// A reader whose length is huge but whose bytes are mostly a hole: the moov limit
// is checked before the payload is read.
struct SparseReader : PositionedReader {
    QByteArray head;
    qint64 size() override { return 256'000'100; }
    QByteArray readAt(qint64 offset, qint64 count) override
    {
        return count > 16 ? throw std::logic_error("the limit was not applied before reading") : head.mid(offset, count);
    }
};

TEST(MetadataReadMoov, CapsTheMoovSize)
{
    SparseReader reader;
    reader.head = be32(256'000'000) + "moov";
    EXPECT_FALSE(readMoov(reader).has_value());
    reader.head = be32(1) + "moov" + be64(256'000'000);
    EXPECT_FALSE(readMoov(reader).has_value());
}

TEST(MetadataReadMoov, ReadErrorsAreThrown)
{
    // A file that cannot be read from: the failed read reaches the caller.
    QTemporaryDir dir;
    QFile writeOnly(dir.filePath("clip.mp4"));
    ASSERT_TRUE(writeOnly.open(QIODevice::WriteOnly));
    writeOnly.write(box("free", QByteArray(64, 'x')));
    writeOnly.flush();
    EXPECT_THROW(readMoov(writeOnly), std::runtime_error);
    QFile missing(dir.filePath("missing.mp4"));
    EXPECT_FALSE(readMoov(missing).has_value());
}

TEST(MetadataMediaDuration, BothHeaderVersions)
{
    auto duration = [](const QByteArray &mdhd) {
        const QByteArray data = box("mdhd", mdhd);
        return mediaDuration(data, ByteRange{0, data.size()});
    };
    const QByteArray v0 = QByteArray(12, '\0') + be32(600) + be32(1200);
    const QByteArray v1 = QByteArray(1, '\1') + QByteArray(19, '\0') + be32(1000) + be64(5'000'000'000ull);
    EXPECT_EQ(duration(v0), 2.0);
    EXPECT_EQ(duration(v1), 5'000'000.0);
    EXPECT_EQ(duration('\7' + v0.mid(1)), 2.0) << "an unknown version reads the 32-bit layout";
    // Cut short, empty, or a timescale of 0: no duration rather than garbage or infinity.
    for (const QByteArray &bad : {v0.left(19), v1.left(31), QByteArray(), v1.left(20) + be32(0) + v1.mid(24)})
        EXPECT_EQ(duration(bad), 0.0) << bad.toHex().toStdString();
}
