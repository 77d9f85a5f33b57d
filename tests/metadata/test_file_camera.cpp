// The camera reader on clips made by the fixture writer: the metadata track, the
// first sample and its size, the key list, and the fallbacks around them.
#include "BoxReader.h"
#include "CameraReader.h"
#include "ClipFixture.h"
#include "Labels.h"
#include "Printers.h"
#include "ReadLog.h"

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

TEST(MetadataReadClip, FullRecordFromACameraClip)
{
    ClipSpec spec;
    spec.camera->captureFPS = 120;
    spec.camera->playbackFPS = 29.97;
    spec.camera->colorCode = 22;
    spec.keys = {{gammaKey, "D-Log2"}, {lensKey, "Wide"}, {kelvinKey, "5600"}};
    const auto info = readSpec(spec);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->model, "OsmoPocket3");
    EXPECT_EQ(info->proto, "dvtm_PP-101.proto");
    EXPECT_EQ(info->captureFPS, 120.0);
    EXPECT_EQ(info->playbackFPS, double(29.97f));
    EXPECT_EQ(info->width, 3840);
    EXPECT_EQ(info->height, 2160);
    EXPECT_EQ(info->bitDepth, 10);
    EXPECT_EQ(info->colorCode, 22);
    EXPECT_EQ(info->iso, 400);
    EXPECT_EQ(info->gammaText, "D-Log2");
    EXPECT_EQ(info->lens, "Wide");
    EXPECT_EQ(info->kelvin, "5600");
    EXPECT_DOUBLE_EQ(info->duration, 2.0);
    EXPECT_TRUE(info->recognized);
    EXPECT_EQ(folderName(*info), "D-Log 2/4K Slowmo 120fps to 30p");
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

TEST(MetadataReadClip, OnlyTheHeadersTheMoovAndOneSampleAreRead)
{
    const ClipSpec spec;
    const fixture::ClipLayout layout = fixture::layoutOf(spec);
    test::LoggingReader reader(fixture::buildClip(spec));
    ASSERT_TRUE(readClip(reader).has_value());
    ASSERT_GE(reader.log.size(), 3);
    const auto &sample = reader.log.last();
    EXPECT_EQ(sample.offset, layout.sampleOffset);
    EXPECT_EQ(sample.count, layout.sampleSize);
    const auto &moov = reader.log.at(reader.log.size() - 2);
    EXPECT_EQ(moov.offset, layout.moovOffset + 8);
    EXPECT_EQ(moov.count, layout.moovSize - 8);
    for (qsizetype i = 0; i + 2 < reader.log.size(); ++i)
        EXPECT_LE(reader.log[i].count, 16);
}

TEST(MetadataReadClip, MetadataTrackChoice)
{
    ClipSpec two;
    fixture::CameraSample other;
    other.model = "Other";
    two.secondCamera = other;
    EXPECT_EQ(readSpec(two)->model, "OsmoPocket3") << "the first djmd track wins";

    ClipSpec none;
    none.camera.reset();
    EXPECT_FALSE(readSpec(none).has_value());
    none.videoTrack = false;
    EXPECT_FALSE(readSpec(none).has_value());
}

TEST(MetadataReadClip, FirstSampleOffsetAndSize)
{
    ClipSpec co64;
    co64.useCo64 = true;
    EXPECT_EQ(readSpec(co64)->model, "OsmoPocket3");

    ClipSpec shortStco;
    shortStco.shortStcoBeforeCo64 = true;
    EXPECT_EQ(readSpec(shortStco)->model, "OsmoPocket3") << "an 8-byte stco gives way to co64";

    // A per-sample size table: the common size is 0 and the first entry counts.
    ClipSpec table;
    table.commonSampleSize = false;
    QByteArray padded = fixture::encodeSample(fixture::CameraSample{});
    padded.append(QByteArray(1200 - padded.size(), '\0'));
    table.rawSample = padded;
    test::LoggingReader reader(fixture::buildClip(table));
    const auto info = readClip(reader);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(reader.log.last().count, 1200);

    ClipSpec tooBig;
    tooBig.declaredSampleSize = 64'000'000;
    EXPECT_FALSE(readSpec(tooBig).has_value());
    tooBig.commonSampleSize = false;
    EXPECT_FALSE(readSpec(tooBig).has_value());

    // The largest allowed size reads what the file holds and decodes the start.
    ClipSpec largest;
    largest.declaredSampleSize = 63'999'999;
    largest.moovFirst = true;
    ASSERT_TRUE(readSpec(largest).has_value());

    ClipSpec zero;
    zero.declaredSampleSize = 0;
    zero.commonSampleSize = false;
    EXPECT_FALSE(readSpec(zero).has_value());
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
        EXPECT_TRUE(info->recognized);
        EXPECT_TRUE(info->model.isEmpty());
        EXPECT_EQ(info->playbackFPS, 0.0);
        EXPECT_EQ(info->gammaText, "D-Log") << "keys come from the moov, not the sample";
        EXPECT_FALSE(isSupportedPocket(*info));
    }

    ClipSpec anonymous;
    anonymous.camera->model.clear();
    anonymous.camera->proto.clear();
    const auto info = readSpec(anonymous);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->recognized);
    EXPECT_TRUE(info->model.isEmpty());
}

TEST(MetadataReadClip, IsoWithoutAnIntegerMeaningIsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double written;
        qint64 read;
    } rows[] = {{400.9, 400}, {-3.5, -3}, {inf, 0}, {-inf, 0},
                {std::numeric_limits<double>::quiet_NaN(), 0}, {1e30, 0}, {-1e30, 0}};
    for (const auto &row : rows) {
        ClipSpec spec;
        spec.camera->iso = row.written;
        const auto info = readSpec(spec);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->iso, row.read) << row.written;
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

TEST(MetadataKeyList, FoundWithAndWithoutVersionAndFlags)
{
    ClipSpec spec;
    spec.keys = {{gammaKey, "  D-Log\n"}, {lensKey, "Wide"}};
    for (const bool flags : {true, false}) {
        spec.keysWithVersionFlags = flags;
        const auto keys = keysOf(spec);
        EXPECT_EQ(keys.value(gammaKey), "D-Log") << flags;
        EXPECT_EQ(keys.value(lensKey), "Wide") << flags;
        EXPECT_EQ(readSpec(spec)->gammaText, "D-Log");
    }
}

TEST(MetadataKeyList, ItemIndexesOutsideTheNamesAreIgnored)
{
    ClipSpec spec;
    spec.keys = {{gammaKey, "D-Log"}};
    spec.extraKeyItems = {{0, "zero"}, {2, "past the end"}, {0xffffffffu, "far past"}};
    const auto keys = keysOf(spec);
    EXPECT_EQ(keys.size(), 1);
    EXPECT_EQ(keys.value(gammaKey), "D-Log");

    spec.extraKeyItems = {{1, "HLG"}};
    EXPECT_EQ(keysOf(spec).value(gammaKey), "HLG") << "a later item replaces the value";

    spec.keys.clear();
    spec.extraKeyItems.clear();
    EXPECT_TRUE(keysOf(spec).isEmpty());
    EXPECT_TRUE(readDJIKeys({}).isEmpty());
}
