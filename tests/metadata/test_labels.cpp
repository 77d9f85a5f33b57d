// The labels a clip is sorted and shown by, and the safety of the folder name built
// from text inside the file.
#include "metadata/ClipInfo.h"
#include "metadata/Labels.h"
#include "text/Language.h"
#include "Printers.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vidorra;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

ClipInfo clip(double capture, double playback, qint64 width = 3840, qint64 height = 2160)
{
    return ClipInfo{.captureFPS = capture, .playbackFPS = playback, .bitDepth = 10, .colorCode = 2,
                    .width = width, .height = height};
}

ClipInfo withGamma(const QString &gamma)
{
    ClipInfo info = clip(30, 30);
    info.gammaText = gamma;
    return info;
}

} // namespace

TEST(MetadataClipRecord, SupportedPocketMatchesExactly)
{
    for (const ClipInfo &info : {ClipInfo{.proto = "dvtm_PP-101.proto"}, ClipInfo{.proto = "dvtm_osmo_pocket_4.proto"},
                                 ClipInfo{.model = "DJI OsmoPocket3 (v1)"}, ClipInfo{.model = "OsmoPocket4"}})
        EXPECT_TRUE(isSupportedPocket(info)) << info.model.toStdString() << info.proto.toStdString();
    for (const ClipInfo &info : {ClipInfo{.model = "osmopocket3"}, ClipInfo{.proto = "dvtm_PP-101.proto "},
                                 ClipInfo{.proto = "dvtm_osmo_pocket_4.proto "}, ClipInfo{}})
        EXPECT_FALSE(isSupportedPocket(info)) << info.model.toStdString() << info.proto.toStdString();
}

TEST(MetadataLabels, RatesRoundHalfAwayFromZeroAndDamagedRatesCountAsZero)
{
    const struct { double fps; const char *label; } rows[] = {
        {29.97, "30"}, {2.5, "3"}, {-2.5, "-3"}, {0.4, "0"}, {kNaN, "0"}, {kInf, "0"}, {-kInf, "0"},
        {9223372036854775807.0, "0"}, // rounds to 2^63, one past the range
        {-9223372036854775808.0, "-9223372036854775808"}};
    for (const auto &row : rows)
        EXPECT_EQ(fpsLabel(row.fps), row.label) << row.fps;
}

TEST(MetadataLabels, SpeedAndFolderBySlowMotionThreshold)
{
    const struct { double capture, playback; const char *speed, *folder; } rows[] = {
        {45, 30, "Slow Motion", "D-Log/4K Slowmo 45fps to 30p"}, {40, 30, "30p", "D-Log/4K 30p"},
        {24, 23.976, "24p", "D-Log/4K 24p"}, {120, 0, "Unknown", "D-Log/4K 0p"}, {30, kNaN, "Unknown", "D-Log/4K 0p"},
        {30, kInf, "0p", "D-Log/4K 0p"}, {kInf, 30, "Slow Motion", "D-Log/4K Slowmo 0fps to 30p"},
        {kNaN, 30, "30p", "D-Log/4K 30p"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.capture << " to " << row.playback);
        EXPECT_EQ(speedKey(clip(row.capture, row.playback)), row.speed);
        EXPECT_EQ(folderName(clip(row.capture, row.playback)), row.folder);
    }
}

TEST(MetadataLabels, ProfileAndColourRulesInOrder)
{
    const struct { const char *gamma; qint64 bitDepth, colorCode; const char *label; bool takesColor; } rows[] = {
        {"D-LOG", 10, 0, "D-Log", true},          {"d-Log2", 10, 0, "D-Log 2", true},
        {"REC.2100 hlg", 10, 0, "HLG", true},     {"Rec.709", 10, 2, "Rec.709", false},
        {"NORMAL", 10, 2, "NORMAL", false},       {"Cine/Like:A", 8, 0, "Cine-Like-A", true},
        {"", 8, 2, "Normal 8-bit", false},        {"", 10, 22, "D-Log 2", true},
        {"", 10, 5, "Unknown (value 5)", false},  {"", 10, 0, "Not Specified", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.gamma << " " << row.bitDepth << " " << row.colorCode);
        const ClipInfo info{.bitDepth = row.bitDepth, .colorCode = row.colorCode, .gammaText = row.gamma};
        EXPECT_EQ(profileLabel(info), row.label);
        EXPECT_EQ(takesColor(info), row.takesColor);
    }
}

TEST(MetadataLabels, UnrecognizedRecordIsUnknownButStillMeasured)
{
    ClipInfo basic = clip(60, 30, 1920, 1080);
    basic.recognized = false;
    for (const QString &label : {profileLabel(basic), folderName(basic), describe(basic), resolutionTab(basic)})
        EXPECT_EQ(label, "Unknown");
    EXPECT_EQ(resolutionLabel(basic), "1080p");
    EXPECT_EQ(speedKey(basic), "Slow Motion");
}

// Each named label at its bound and one pixel below it, landscape and portrait alike;
// below 720p the short side names the clip.
TEST(MetadataLabels, ResolutionBoundsInBothOrientations)
{
    const struct { qint64 longSide, shortSide; const char *label; } bounds[] = {
        {7600, 4000, "8K"},   {7599, 4000, "6K"},   {5700, 3000, "6K"},     {5699, 3000, "5K"},
        {5000, 2800, "5K"},   {4999, 2800, "4K"},   {3800, 2000, "4K"},     {3799, 2000, "3K"},
        {3000, 1600, "3K"},   {2999, 1600, "2.7K"}, {2600, 1400, "2.7K"},   {2599, 1400, "1440p"},
        {2500, 1400, "1440p"}, {2499, 1400, "1080p"}, {1900, 1000, "1080p"}, {1899, 1000, "720p"},
        {1250, 700, "720p"},  {1249, 702, "702p"},  {960, 540, "540p"},
    };
    for (const auto &b : bounds) {
        EXPECT_EQ(resolutionLabel(clip(30, 30, b.longSide, b.shortSide)), b.label) << b.longSide << "x" << b.shortSide;
        EXPECT_EQ(resolutionLabel(clip(30, 30, b.shortSide, b.longSide)), b.label) << b.shortSide << "x" << b.longSide;
        EXPECT_EQ(shortSide(clip(30, 30, b.shortSide, b.longSide)), b.shortSide);
    }
    // Missing sides: the height names the clip, the width alone does not.
    const struct { qint64 w, h; const char *label; qint64 shortSide; } partial[] = {
        {0, 1080, "1080p", 1080}, {1440, 0, "720p", 0}, {1000, 0, "0p", 0}, {-5, 720, "720p", 720}, {0, 0, "0p", 0}};
    for (const auto &row : partial) {
        const ClipInfo info = clip(30, 30, row.w, row.h);
        EXPECT_EQ(resolutionLabel(info), row.label) << row.w << "x" << row.h;
        EXPECT_EQ(shortSide(info), row.shortSide) << row.w << "x" << row.h;
    }
}

TEST(MetadataLabels, DescriptionParts)
{
    ClipInfo info = clip(29.97, 29.97);
    info.iso = 400;
    info.kelvin = "5600";
    EXPECT_EQ(describe(info), QStringLiteral("4K 30fps \u00B7 D-Log \u00B7 ISO 400 \u00B7 5600K"));
    ClipInfo slow = clip(120, 30);
    slow.colorCode = 22;
    slow.iso = 1;
    EXPECT_EQ(describe(slow), QStringLiteral("Slow Motion \u00B7 4K 120fps \u00B7 D-Log 2 \u00B7 ISO 1"));
    EXPECT_EQ(folderName(slow), "D-Log 2/4K Slowmo 120fps to 30p");
}

// The profile label is text from inside the file; as a folder it must stay one
// harmless component inside the clip's folder.
TEST(MetadataFolderName, EveryComponentIsSafe)
{
    EXPECT_EQ(folderName(withGamma("..")), "_../4K 30p");
    EXPECT_EQ(folderName(withGamma(".hidden")), "_.hidden/4K 30p");
    EXPECT_EQ(folderName(withGamma("../../etc")), "_..-..-etc/4K 30p");
    EXPECT_EQ(folderName(withGamma(QString::fromUtf8("D-\0Log", 6))), "D-Log/4K 30p");
    EXPECT_EQ(folderName(withGamma(QStringLiteral("Log\nX\t\u0085\u007f"))), "LogX/4K 30p");
    EXPECT_EQ(folderName(withGamma(QStringLiteral("\x01.."))), "_../4K 30p");
    EXPECT_EQ(folderName(withGamma("a..b")), "a..b/4K 30p") << "dots inside a name are fine";
    // Display keeps the text as read.
    EXPECT_EQ(profileLabel(withGamma(QStringLiteral("Log\n"))), QStringLiteral("Log\n"));

    for (const char *g : {"", ".", "..", "/", "//", "./..", "\\", " ", "\x7f", "\x01\x02", "a/b:c"}) {
        const QStringList parts = folderName(withGamma(g)).split(u'/');
        ASSERT_EQ(parts.size(), 2) << g;
        for (const QString &p : parts)
            EXPECT_TRUE(!p.isEmpty() && !p.startsWith(u'.')) << g << " gives " << p.toStdString();
    }
}

TEST(MetadataLabels, SpanishWordsButUntranslatedGroupingKeys)
{
    Language::apply("es");
    const ClipInfo unknown{.recognized = false};
    EXPECT_EQ(profileLabel(unknown), "Desconocido");
    EXPECT_EQ(resolutionTab(unknown), "Desconocido");
    EXPECT_EQ(profileLabel(ClipInfo{.colorCode = 7}), "Desconocido (valor 7)");
    EXPECT_EQ(folderName(clip(120, 30)), QStringLiteral("D-Log/4K C\u00e1mara lenta 120fps a 30p"));
    EXPECT_TRUE(describe(clip(120, 30)).startsWith(QStringLiteral("C\u00e1mara lenta")));
    EXPECT_EQ(speedKey(clip(120, 30)), "Slow Motion");
    Language::apply("en");
}
