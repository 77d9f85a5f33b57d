// The basic record and the cover on fixture clips, and the layouts the moov search
// must cope with: 64-bit and size-0 boxes, the moov first or last, truncation.
#include "BoxReader.h"
#include "CameraReader.h"
#include "ClipFixture.h"
#include "PositionedReader.h"
#include "Printers.h"

#include <QFile>
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

ClipInfo zeroRecord()
{
    ClipInfo info;
    info.recognized = false;
    return info;
}

} // namespace

TEST(MetadataReadBasic, VideoTrackOfBothHeaderVersions)
{
    for (const int version : {0, 1}) {
        ClipSpec spec;
        spec.width = 1920;
        spec.height = 1080;
        spec.fps = 25;
        spec.duration = 4.0;
        spec.tkhdVersion = version;
        spec.mediaHeaderVersion = version;
        const ClipInfo info = basicOf(spec);
        EXPECT_FALSE(info.recognized);
        EXPECT_EQ(info.width, 1920) << version;
        EXPECT_EQ(info.height, 1080) << version;
        EXPECT_DOUBLE_EQ(info.duration, 4.0) << version;
        EXPECT_DOUBLE_EQ(info.playbackFPS, 25.0) << version;
        EXPECT_DOUBLE_EQ(info.captureFPS, 25.0) << version;
        EXPECT_TRUE(info.model.isEmpty() && info.gammaText.isEmpty());
        EXPECT_EQ(info.colorCode, 0);
    }
}

TEST(MetadataReadBasic, ZeroRecordWhenThereIsNothingToRead)
{
    ClipSpec noVideo;
    noVideo.videoTrack = false;
    EXPECT_EQ(basicOf(noVideo), zeroRecord()) << "only a metadata track";
    EXPECT_EQ(basicOf(QByteArray("abc")), zeroRecord());
    EXPECT_EQ(readBasic(QStringLiteral("/nonexistent/clip.mp4")), zeroRecord());

    ClipSpec swallowed;
    swallowed.mediaDataSizeZero = true;
    EXPECT_EQ(basicOf(swallowed), zeroRecord()) << "a size-0 mdat runs over the moov";
}

TEST(MetadataReadBasic, MoovLayouts)
{
    ClipSpec spec;
    spec.mediaDataSize64 = true;
    EXPECT_EQ(basicOf(spec).width, 3840);
    spec = ClipSpec{};
    spec.moovFirst = true;
    EXPECT_EQ(basicOf(spec).width, 3840);
    spec.moovSizeZero = true;
    EXPECT_EQ(basicOf(spec).width, 3840) << "a size-0 moov runs to the end of the file";
    spec = ClipSpec{};
    spec.mediaDataSizeZero = true;
    spec.moovFirst = true;
    EXPECT_EQ(basicOf(spec).width, 3840) << "a size-0 mdat after the moov";
}

TEST(MetadataReadBasic, TruncatedMoovIsNotReadPartially)
{
    const ClipSpec spec;
    const QByteArray whole = fixture::buildClip(spec);
    const fixture::ClipLayout layout = fixture::layoutOf(spec);
    ASSERT_EQ(layout.moovOffset + layout.moovSize, whole.size());
    EXPECT_EQ(basicOf(whole.left(whole.size() - 1)), zeroRecord());
    MemoryReader cut(whole.left(whole.size() - 1));
    EXPECT_FALSE(readClip(cut).has_value());
}

TEST(MetadataReadBasic, SampleTableEdges)
{
    // Hand-edit the built moov: an stts claiming more entries than it holds.
    const QByteArray whole = fixture::buildClip(ClipSpec{});
    MemoryReader reader(whole);
    const QByteArray moov = *readMoov(reader);
    const ByteRange all{0, moov.size()};
    const auto trak = child(moov, all, "trak");
    ASSERT_TRUE(trak.has_value());
    const auto tkhd = child(moov, *trak, "tkhd");
    ASSERT_TRUE(tkhd.has_value());
    ASSERT_EQ(tkhd->end - tkhd->start, 84);
    const auto stts = child(moov, *child(moov, *child(moov, *child(moov, *trak, "mdia"), "minf"), "stbl"), "stts");
    ASSERT_TRUE(stts.has_value());
    ASSERT_EQ(stts->end - stts->start, 16) << "one entry";

    const qint64 moovAt = whole.size() - moov.size();
    QByteArray claims = whole;
    claims[moovAt + stts->start + 7] = char(200); // entry count 200, one present
    EXPECT_DOUBLE_EQ(basicOf(claims).playbackFPS, 30.0);
    QByteArray empty = whole;
    empty[moovAt + stts->start + 7] = 0;
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
    ASSERT_TRUE(file.isOpen());
    const auto info = readClip(file);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->model, "OsmoPocket3");
    EXPECT_LT(file.bytesRead(), 1 << 20);
    EXPECT_LE(file.readCalls(), 5) << "ftyp, mdat and moov headers, the moov, the sample";

    ClipFile again(path);
    EXPECT_EQ(readBasic(again).width, 3840);
    EXPECT_LT(again.bytesRead(), 1 << 20);
}
