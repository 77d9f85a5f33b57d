// The camera reader on clips made by the fixture writer: the metadata track, the
// first sample and its size, the key list, and the fallbacks around them.
#include "BoxReader.h"
#include "CameraReader.h"
#include "ClipFixture.h"
#include "Labels.h"
#include "PositionedReader.h"
#include "Printers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>

using namespace vidorra;
using fixture::ClipSpec;

namespace {

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

const QString gammaKey = QStringLiteral("com.dji.camera.ColorGammaSxS");
const QString lensKey = QStringLiteral("com.dji.camera.LensType");
const QString kelvinKey = QStringLiteral("com.dji.camera.WhiteBalanceKelvin");

} // namespace

TEST(MetadataReadClip, FullRecordReadingOnlyHeadersTheMoovAndOneSample)
{
    ClipSpec spec;
    spec.camera->captureFPS = 120;
    spec.camera->playbackFPS = 29.97;
    spec.camera->colorCode = 22;
    spec.keys = {{gammaKey, "D-Log2"}, {lensKey, "Wide"}, {kelvinKey, "5600"}};
    const fixture::ClipLayout layout = fixture::layoutOf(spec);
    MemoryReader reader(fixture::buildClip(spec));
    const auto info = readClip(reader);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(*info, (ClipInfo{.model = "OsmoPocket3", .captureFPS = 120, .playbackFPS = double(29.97f),
                               .bitDepth = 10, .colorCode = 22, .iso = 400, .width = 3840, .height = 2160,
                               .gammaText = "D-Log2", .lens = "Wide", .kelvin = "5600", .duration = 2.0,
                               .proto = "dvtm_PP-101.proto"}));
    EXPECT_EQ(folderName(*info), "D-Log 2/4K Slowmo 120fps to 30p");
    EXPECT_LE(reader.bytesRead(), 3 * 16 + layout.moovSize + layout.sampleSize) << "media data was read";
}

TEST(MetadataReadClip, ReadsFromTheFileSystemAndClosesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DJI_0001.MP4");
    ASSERT_TRUE(fixture::writeClip(path, ClipSpec{}));
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(); };
    const qsizetype before = openFiles();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(readClip(path).has_value());
        ASSERT_FALSE(readBasic(path).recognized);
        ASSERT_FALSE(readCoverData(path).has_value());
    }
    EXPECT_EQ(openFiles(), before);
    EXPECT_FALSE(readClip(dir.filePath("missing.mp4")).has_value());
    EXPECT_FALSE(readClip(dir.path()).has_value()) << "a folder";
    // A FIFO named like a clip must not block the reader waiting for a writer.
    const QString fifo = dir.filePath("pipe.mp4");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(readClip(fifo).has_value());
    EXPECT_FALSE(readBasic(fifo).recognized);
    EXPECT_FALSE(readCoverData(fifo).has_value());
}

TEST(MetadataReadClip, MetadataTrackAndFirstSample)
{
    const struct { const char *what; void (*apply)(ClipSpec &); bool found; } rows[] = {
        {"the first of two djmd tracks", [](ClipSpec &s) { s.secondCamera = fixture::CameraSample{.model = "Other"}; }, true},
        {"no metadata track", [](ClipSpec &s) { s.camera.reset(); }, false},
        {"co64", [](ClipSpec &s) { s.useCo64 = true; }, true},
        {"an 8-byte stco gives way to co64", [](ClipSpec &s) { s.shortStcoBeforeCo64 = true; }, true},
        {"per-sample size table", [](ClipSpec &s) { s.commonSampleSize = false; }, true},
        {"64 MB sample", [](ClipSpec &s) { s.declaredSampleSize = 64'000'000; }, false},
        {"64 MB sample in a table", [](ClipSpec &s) { s.declaredSampleSize = 64'000'000; s.commonSampleSize = false; }, false},
        {"size 0 in a table", [](ClipSpec &s) { s.declaredSampleSize = 0; s.commonSampleSize = false; }, false},
        // The largest allowed size reads what the file holds and decodes the start.
        {"largest size", [](ClipSpec &s) { s.declaredSampleSize = 63'999'999; s.moovFirst = true; }, true},
    };
    for (const auto &row : rows) {
        ClipSpec spec;
        row.apply(spec);
        const auto info = readSpec(spec);
        EXPECT_EQ(info.has_value(), row.found) << row.what;
        EXPECT_TRUE(!info || info->model == "OsmoPocket3") << row.what;
    }
}

TEST(MetadataReadClip, SampleFallbacks)
{
    // A malformed or empty sample still gives a recognized record of fallbacks,
    // which scanning then rejects.
    for (const QByteArray &raw : {QByteArray("\x00\x01\x02", 3), QByteArray("garbage!")}) {
        ClipSpec spec;
        spec.rawSample = raw;
        const auto info = readSpec(spec);
        ASSERT_TRUE(info.has_value());
        EXPECT_TRUE(info->recognized && info->model.isEmpty());
        EXPECT_EQ(info->playbackFPS, 0.0);
        EXPECT_EQ(info->gammaText, "D-Log") << "keys come from the moov, not the sample";
        EXPECT_FALSE(isSupportedPocket(*info));
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
    spec.keys.removeLast();
    spec.camera->kelvin = 0;
    EXPECT_EQ(readSpec(spec)->kelvin, QString());
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
    spec.keys.clear();
    spec.extraKeyItems.clear();
    EXPECT_TRUE(keysOf(spec).isEmpty());
    EXPECT_TRUE(readDJIKeys({}).isEmpty());
}
