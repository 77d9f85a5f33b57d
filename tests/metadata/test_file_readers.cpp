// The three file readers on clips made by the fixture writer: the basic record and the
// cover, the camera's metadata track with its first sample and the key list, and the
// moov layouts (64-bit and size-0 boxes, the moov first or last, truncation).
#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "ClipFixture.h"
#include "metadata/PositionedReader.h"
#include "Printers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>

// Clip specs are written as designated initializers; the members left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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

std::optional<ClipInfo> readSpec(const ClipSpec &spec)
{
    MemoryReader reader(fixture::buildClip(spec));
    return readClip(reader);
}

QMap<QString, QString> keysOf(const ClipSpec &spec)
{
    MemoryReader reader(fixture::buildClip(spec));
    const auto moov = readMoov(reader);
    return moov ? readDJIKeys(*moov) : QMap<QString, QString>{};
}

const ClipInfo kZeroRecord{.recognized = false};
const QString gammaKey = QStringLiteral("com.dji.camera.ColorGammaSxS");
const QString lensKey = QStringLiteral("com.dji.camera.LensType");
const QString kelvinKey = QStringLiteral("com.dji.camera.WhiteBalanceKelvin");

} // namespace

TEST(MetadataReadBasic, VideoTrackOfBothHeaderVersionsAndEveryMoovLayout)
{
    for (const int version : {0, 1}) {
        const ClipSpec spec{.width = 1920, .height = 1080, .duration = 4.0, .fps = 25, .tkhdVersion = version,
                            .mediaHeaderVersion = version};
        EXPECT_EQ(basicOf(spec), (ClipInfo{.captureFPS = 25, .playbackFPS = 25, .width = 1920, .height = 1080,
                                           .duration = 4.0, .recognized = false}))
            << version;
    }
    EXPECT_EQ(basicOf(ClipSpec{.mediaDataSize64 = true}).width, 3840) << "64-bit mdat";
    EXPECT_EQ(basicOf(ClipSpec{.moovFirst = true}).width, 3840);
    EXPECT_EQ(basicOf(ClipSpec{.moovFirst = true, .moovSizeZero = true}).width, 3840) << "size-0 moov runs to the end";
    EXPECT_EQ(basicOf(ClipSpec{.moovFirst = true, .mediaDataSizeZero = true}).width, 3840) << "size-0 mdat at the end";
}

TEST(MetadataReadBasic, ZeroRecordWhenThereIsNothingToRead)
{
    EXPECT_EQ(basicOf(ClipSpec{.videoTrack = false}), kZeroRecord) << "only a metadata track";
    EXPECT_EQ(basicOf(ClipSpec{.mediaDataSizeZero = true}), kZeroRecord) << "size-0 mdat runs over the moov";
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
    const qint64 countAt = whole.size() - moov.size() + stts.start + 7; // one entry in the fixture
    QByteArray claims = whole;
    claims[countAt] = char(200);
    EXPECT_DOUBLE_EQ(basicOf(claims).playbackFPS, 30.0);
    claims[countAt] = 0;
    EXPECT_EQ(basicOf(claims).playbackFPS, 0.0) << "no entries";
}

TEST(MetadataReadCover, StoredBytesExactly)
{
    const QByteArray picture = fixture::sampleCoverJpeg(32, 18);
    ClipSpec spec;
    spec.cover = picture;
    EXPECT_EQ(coverOf(spec), picture);
    spec.coverMetaWithVersionFlags = false;
    EXPECT_EQ(coverOf(spec), picture) << "ilst straight after the meta header";
    spec.cover = QByteArray();
    EXPECT_FALSE(coverOf(spec).has_value()) << "a data box with only type and locale";
    EXPECT_FALSE(coverOf(ClipSpec{}).has_value());
}

// A moov after an 8 GB hole is found by hopping over the mdat header, not by reading.
TEST(MetadataLargeFile, MoovAfterSparseMdatCostsLessThanAMegabyte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("long.mp4");
    if (!fixture::writeClip(path, ClipSpec{.sparseMdatBytes = 8LL << 30}))
        GTEST_SKIP() << "this file system cannot hold an 8 GB sparse file";
    ClipFile file(path);
    EXPECT_EQ(readClip(file).value().model, "OsmoPocket3");
    EXPECT_LT(file.bytesRead(), 1 << 20);
}

TEST(MetadataReadClip, FullRecordReadingOnlyHeadersTheMoovAndOneSample)
{
    const ClipSpec spec{.camera = fixture::CameraSample{.captureFPS = 120, .playbackFPS = 29.97, .colorCode = 22},
                        .keys = {{gammaKey, "D-Log2"}, {lensKey, "Wide"}, {kelvinKey, "5600"}}};
    const fixture::ClipLayout layout = fixture::layoutOf(spec);
    MemoryReader reader(fixture::buildClip(spec));
    const auto info = readClip(reader);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(*info, (ClipInfo{.model = "OsmoPocket3", .captureFPS = 120, .playbackFPS = double(29.97f),
                               .bitDepth = 10, .colorCode = 22, .iso = 400, .width = 3840, .height = 2160,
                               .gammaText = "D-Log2", .lens = "Wide", .kelvin = "5600", .duration = 2.0,
                               .proto = "dvtm_PP-101.proto"}));
    EXPECT_LE(reader.bytesRead(), 3 * 16 + layout.moovSize + layout.sampleSize) << "media data was read";
}

TEST(MetadataReadClip, ReadsFromTheFileSystemAndClosesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DJI_0001.MP4");
    ASSERT_TRUE(fixture::writeClip(path, ClipSpec{}));
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(); };
    const qsizetype before = openFiles();
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(readClip(path) && !readBasic(path).recognized && !readCoverData(path));
    EXPECT_EQ(openFiles(), before);
    EXPECT_FALSE(readClip(dir.filePath("missing.mp4")) || readCoverData(dir.filePath("missing.mp4")));
    EXPECT_FALSE(readClip(dir.path()).has_value()) << "a folder";
    // A FIFO named like a clip must not block the reader waiting for a writer.
    const QString fifo = dir.filePath("pipe.mp4");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(readClip(fifo) || readBasic(fifo).recognized || readCoverData(fifo));
}

TEST(MetadataReadClip, MetadataTrackAndFirstSample)
{
    const struct { const char *what; ClipSpec spec; bool found; } rows[] = {
        {"the first of two djmd tracks", {.secondCamera = fixture::CameraSample{.model = "Other"}}, true},
        {"no metadata track", {.camera = std::nullopt}, false},
        {"co64", {.useCo64 = true}, true},
        {"an 8-byte stco gives way to co64", {.shortStcoBeforeCo64 = true}, true},
        {"per-sample size table", {.commonSampleSize = false}, true},
        {"64 MB sample", {.declaredSampleSize = 64'000'000}, false},
        {"64 MB sample in a table", {.commonSampleSize = false, .declaredSampleSize = 64'000'000}, false},
        {"size 0 in a table", {.commonSampleSize = false, .declaredSampleSize = 0}, false},
        // The largest allowed size reads what the file holds and decodes the start.
        {"largest size", {.declaredSampleSize = 63'999'999, .moovFirst = true}, true},
    };
    for (const auto &row : rows) {
        const auto info = readSpec(row.spec);
        EXPECT_EQ(info.has_value(), row.found) << row.what;
        EXPECT_TRUE(!info || info->model == "OsmoPocket3") << row.what;
    }
}

TEST(MetadataReadClip, SampleFallbacks)
{
    // A malformed sample still gives a recognized record of fallbacks, which scanning then rejects.
    for (const QByteArray &raw : {QByteArray("\x00\x01\x02", 3), QByteArray("garbage!")}) {
        ClipSpec spec;
        spec.rawSample = raw;
        const ClipInfo info = readSpec(spec).value();
        EXPECT_TRUE(info.recognized && info.model.isEmpty() && info.playbackFPS == 0.0);
        EXPECT_EQ(info.gammaText, "D-Log") << "keys come from the moov, not the sample";
        EXPECT_FALSE(isSupportedPocket(info));
    }
}

TEST(MetadataReadClip, IsoWithoutAnIntegerMeaningIsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double written; qint64 read; } rows[] = {
        {400.9, 400}, {-3.5, -3}, {inf, 0}, {std::numeric_limits<double>::quiet_NaN(), 0}, {-1e30, 0}};
    for (const auto &row : rows) {
        ClipSpec spec;
        spec.camera->iso = row.written;
        EXPECT_EQ(readSpec(spec).value().iso, row.read) << row.written;
    }
}

TEST(MetadataReadClip, KelvinFromKeyOrSample)
{
    ClipSpec spec;
    spec.camera->kelvin = 5600;
    EXPECT_EQ(readSpec(spec)->kelvin, "5600");
    spec.keys.append({kelvinKey, "4300"});
    EXPECT_EQ(readSpec(spec)->kelvin, "4300") << "the key wins";
    spec.keys.last().second = "  ";
    EXPECT_EQ(readSpec(spec)->kelvin, "5600") << "an empty key value falls back";
    EXPECT_EQ(readSpec(ClipSpec{})->kelvin, QString());
}

TEST(MetadataKeyList, WithAndWithoutVersionAndFlagsAndBadItemIndexes)
{
    ClipSpec spec;
    spec.keys = {{gammaKey, "  D-Log\n"}, {lensKey, "Wide"}};
    for (const bool flags : {true, false}) {
        spec.keysWithVersionFlags = flags;
        EXPECT_EQ(keysOf(spec), (QMap<QString, QString>{{gammaKey, "D-Log"}, {lensKey, "Wide"}})) << flags;
    }
    spec.extraKeyItems = {{0, "zero"}, {3, "past the end"}, {0xffffffffu, "far past"}};
    EXPECT_EQ(keysOf(spec).size(), 2);
    spec.extraKeyItems = {{1, "HLG"}};
    EXPECT_EQ(keysOf(spec).value(gammaKey), "HLG") << "a later item replaces the value";
    EXPECT_TRUE(keysOf(ClipSpec{.keys = {}}).isEmpty());
    EXPECT_TRUE(readDJIKeys({}).isEmpty());
}
