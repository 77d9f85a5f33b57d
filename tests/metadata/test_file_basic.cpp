// The basic record and the cover on fixture clips, and the layouts the moov search
// must cope with: 64-bit and size-0 boxes, the moov first or last, truncation.
#include "BoxReader.h"
#include "CameraReader.h"
#include "ClipFixture.h"
#include "PositionedReader.h"
#include "Printers.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vidorra;
using fixture::ClipSpec;

namespace {

ClipInfo basicOf(const QByteArray &file)
{
    MemoryReader reader(file);
    return readBasic(reader);
}

ClipInfo basicOf(const ClipSpec &spec) { return basicOf(fixture::buildClip(spec)); }

std::optional<QByteArray> coverOf(const ClipSpec &spec)
{
    MemoryReader reader(fixture::buildClip(spec));
    return readCoverData(reader);
}

const ClipInfo kZeroRecord{.recognized = false};

} // namespace

TEST(MetadataReadBasic, VideoTrackOfBothHeaderVersions)
{
    for (const int version : {0, 1}) {
        ClipSpec spec;
        spec.width = 1920;
        spec.height = 1080;
        spec.fps = 25;
        spec.duration = 4.0;
        spec.tkhdVersion = spec.mediaHeaderVersion = version;
        EXPECT_EQ(basicOf(spec), (ClipInfo{.captureFPS = 25, .playbackFPS = 25, .width = 1920, .height = 1080,
                                           .duration = 4.0, .recognized = false}))
            << version;
    }
}

TEST(MetadataReadBasic, MoovLayouts)
{
    const auto widthWith = [](void (*apply)(ClipSpec &)) {
        ClipSpec spec;
        apply(spec);
        return basicOf(spec).width;
    };
    EXPECT_EQ(widthWith([](ClipSpec &s) { s.mediaDataSize64 = true; }), 3840) << "64-bit mdat";
    EXPECT_EQ(widthWith([](ClipSpec &s) { s.moovFirst = true; }), 3840);
    EXPECT_EQ(widthWith([](ClipSpec &s) { s.moovFirst = s.moovSizeZero = true; }), 3840) << "size-0 moov runs to the end";
    EXPECT_EQ(widthWith([](ClipSpec &s) { s.moovFirst = s.mediaDataSizeZero = true; }), 3840) << "size-0 mdat at the end";
    EXPECT_EQ(widthWith([](ClipSpec &s) { s.mediaDataSizeZero = true; }), 0) << "size-0 mdat runs over the moov";
}

TEST(MetadataReadBasic, ZeroRecordWhenThereIsNothingToRead)
{
    ClipSpec noVideo;
    noVideo.videoTrack = false;
    EXPECT_EQ(basicOf(noVideo), kZeroRecord) << "only a metadata track";
    EXPECT_EQ(basicOf(QByteArray("abc")), kZeroRecord);
    EXPECT_EQ(readBasic(QStringLiteral("/nonexistent/clip.mp4")), kZeroRecord);

    // A moov cut by one byte is not read partially.
    const QByteArray cut = fixture::buildClip(ClipSpec{}).chopped(1);
    EXPECT_EQ(basicOf(cut), kZeroRecord);
    MemoryReader reader(cut);
    EXPECT_FALSE(readClip(reader).has_value());
}

TEST(MetadataReadBasic, TimeToSampleClaimingMoreEntriesThanItHolds)
{
    const QByteArray whole = fixture::buildClip(ClipSpec{});
    MemoryReader reader(whole);
    const QByteArray moov = *readMoov(reader);
    auto at = [&](ByteRange r, const char *type) { return child(moov, r, type).value(); };
    const ByteRange stts = at(at(at(at(at({0, moov.size()}, "trak"), "mdia"), "minf"), "stbl"), "stts");
    ASSERT_EQ(stts.end - stts.start, 16) << "one entry";
    const qint64 countAt = whole.size() - moov.size() + stts.start + 7;

    QByteArray claims = whole;
    claims[countAt] = char(200);
    EXPECT_DOUBLE_EQ(basicOf(claims).playbackFPS, 30.0);
    QByteArray empty = whole;
    empty[countAt] = 0;
    EXPECT_EQ(basicOf(empty).playbackFPS, 0.0);
}

TEST(MetadataReadCover, StoredBytesExactly)
{
    const QByteArray picture = fixture::sampleCoverJpeg(32, 18);
    ASSERT_FALSE(picture.isEmpty());
    ClipSpec spec;
    spec.cover = picture;
    EXPECT_EQ(coverOf(spec), picture);
    spec.coverMetaWithVersionFlags = false;
    EXPECT_EQ(coverOf(spec), picture) << "ilst straight after the meta header";
    spec.cover = QByteArray();
    EXPECT_FALSE(coverOf(spec).has_value()) << "a data box with only type and locale";
    spec.cover.reset();
    EXPECT_FALSE(coverOf(spec).has_value());

    QTemporaryDir dir;
    spec.cover = picture;
    ASSERT_TRUE(fixture::writeClip(dir.filePath("c.mov"), spec));
    EXPECT_EQ(readCoverData(dir.filePath("c.mov")), picture);
    EXPECT_FALSE(readCoverData(dir.filePath("missing.mov")).has_value());
}

// A moov after an 8 GB hole is found by hopping over the mdat header, not by reading.
TEST(MetadataLargeFile, MoovAfterSparseMdatCostsLessThanAMegabyte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("long.mp4");
    ClipSpec spec;
    spec.sparseMdatBytes = 8LL << 30;
    if (!fixture::writeClip(path, spec))
        GTEST_SKIP() << "this file system cannot hold an 8 GB sparse file";
    ASSERT_GT(QFileInfo(path).size(), 8LL << 30);

    ClipFile file(path);
    const auto info = readClip(file);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->model, "OsmoPocket3");
    EXPECT_LT(file.bytesRead(), 1 << 20);
    ClipFile again(path);
    EXPECT_EQ(readBasic(again).width, 3840);
    EXPECT_LT(again.bytesRead(), 1 << 20);
}
