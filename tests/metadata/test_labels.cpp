// The clip record's vocabulary and the labels: profile, resolution, speed, folder,
// description, and the safety of the folder name built from text inside the file.
#include "ClipInfo.h"
#include "Labels.h"
#include "Language.h"
#include "Printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vidorra;

namespace {

ClipInfo clip(double capture, double playback, qint64 width = 3840, qint64 height = 2160)
{
    ClipInfo info;
    info.captureFPS = capture;
    info.playbackFPS = playback;
    info.width = width;
    info.height = height;
    info.colorCode = 2;
    info.bitDepth = 10;
    return info;
}

ClipInfo withGamma(const QString &gamma)
{
    ClipInfo info = clip(30, 30);
    info.gammaText = gamma;
    return info;
}

} // namespace

TEST(MetadataClipRecord, DefaultsAndTables)
{
    EXPECT_EQ(ClipInfo{}, (ClipInfo{.model = "", .captureFPS = 0, .proto = "", .recognized = true}));
    EXPECT_FALSE(profileNamesByText().contains(QStringLiteral("normal")));
    EXPECT_FALSE(profileNamesByText().contains(QStringLiteral("hlg")));
    EXPECT_TRUE(videoExts().contains(QStringLiteral("MOV").toLower()));
}

TEST(MetadataClipRecord, SupportedPocketMatchesExactly)
{
    EXPECT_TRUE(isSupportedPocket(ClipInfo{.proto = "dvtm_PP-101.proto"}));
    EXPECT_TRUE(isSupportedPocket(ClipInfo{.proto = "dvtm_osmo_pocket_4.proto"}));
    EXPECT_TRUE(isSupportedPocket(ClipInfo{.model = "DJI OsmoPocket3 (v1)"}));
    EXPECT_TRUE(isSupportedPocket(ClipInfo{.model = "OsmoPocket4"}));
    EXPECT_FALSE(isSupportedPocket(ClipInfo{.model = "osmopocket3"}));
    EXPECT_FALSE(isSupportedPocket(ClipInfo{.proto = "dvtm_PP-101.proto "}));
    EXPECT_FALSE(isSupportedPocket(ClipInfo{.proto = "dvtm_osmo_pocket_4.proto "}));
    EXPECT_FALSE(isSupportedPocket(ClipInfo{}));
}

TEST(MetadataLabels, FrameRatesRoundHalfAwayFromZero)
{
    EXPECT_EQ(fpsLabel(29.97), "30");
    EXPECT_EQ(fpsLabel(59.94), "60");
    EXPECT_EQ(fpsLabel(23.976), "24");
    EXPECT_EQ(fpsLabel(2.5), "3");
    EXPECT_EQ(fpsLabel(-2.5), "-3");
    EXPECT_EQ(fpsLabel(0.4), "0");
}

TEST(MetadataLabels, RatesWithoutAWholeNumberCountAsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(fpsLabel(nan), "0");
    EXPECT_EQ(fpsLabel(inf), "0");
    EXPECT_EQ(fpsLabel(-inf), "0");
    EXPECT_EQ(fpsLabel(1e19), "0");
    EXPECT_EQ(fpsLabel(9223372036854775807.0), "0") << "rounds to 2^63, one past the range";
    EXPECT_EQ(fpsLabel(-9223372036854775808.0), "-9223372036854775808");

    EXPECT_EQ(speedKey(clip(30, nan)), "Unknown");
    EXPECT_EQ(speedKey(clip(30, inf)), "0p");
    EXPECT_EQ(folderName(clip(inf, 30)), "D-Log/4K Slowmo 0fps to 30p");
    EXPECT_EQ(folderName(clip(nan, 30)), "D-Log/4K 30p");
    EXPECT_EQ(describe(clip(1e300, 30)), QStringLiteral("Slow Motion \u00B7 4K 0fps \u00B7 D-Log"));
}

TEST(MetadataLabels, SlowMotionThreshold)
{
    EXPECT_TRUE(isSlowMotion(clip(120, 30)));
    EXPECT_TRUE(isSlowMotion(clip(60, 30)));
    EXPECT_TRUE(isSlowMotion(clip(48, 30)));
    EXPECT_TRUE(isSlowMotion(clip(45, 30))) << "exactly 1.5";
    EXPECT_FALSE(isSlowMotion(clip(40, 30)));
    EXPECT_FALSE(isSlowMotion(clip(120, 0)));

    const ClipInfo slow = clip(60, 30);
    EXPECT_EQ(speedKey(slow), "Slow Motion");
    EXPECT_TRUE(folderName(slow).endsWith("Slowmo 60fps to 30p"));
    EXPECT_TRUE(describe(slow).startsWith("Slow Motion"));

    EXPECT_EQ(folderName(clip(40, 30)), "D-Log/4K 30p");
    EXPECT_EQ(speedKey(clip(40, 29.97)), "30p");
    EXPECT_EQ(speedKey(clip(24, 23.976)), "24p");

    const ClipInfo stopped = clip(120, 0);
    EXPECT_EQ(speedKey(stopped), "Unknown");
    EXPECT_EQ(folderName(stopped), "D-Log/4K 0p");
}

TEST(MetadataLabels, ProfileRulesInOrder)
{
    EXPECT_EQ(profileLabel(withGamma("D-LOG")), "D-Log");
    EXPECT_EQ(profileLabel(withGamma("d-Log2")), "D-Log 2");
    EXPECT_EQ(profileLabel(withGamma("REC.2100 hlg")), "HLG");
    EXPECT_EQ(profileLabel(withGamma("Rec.709")), "Rec.709");
    EXPECT_EQ(profileLabel(withGamma("Cine/Like:A")), "Cine-Like-A");

    ClipInfo eightBit = clip(30, 30);
    eightBit.bitDepth = 8;
    EXPECT_EQ(profileLabel(eightBit), "Normal 8-bit") << "bit depth wins over the code";

    ClipInfo code = clip(30, 30);
    code.colorCode = 22;
    EXPECT_EQ(profileLabel(code), "D-Log 2");
    code.colorCode = 5;
    EXPECT_EQ(profileLabel(code), "Unknown (value 5)");
    code.colorCode = 0;
    EXPECT_EQ(profileLabel(code), "Not Specified");
}

TEST(MetadataLabels, UnrecognizedRecordIsUnknownButStillMeasured)
{
    ClipInfo basic = clip(60, 30, 1920, 1080);
    basic.recognized = false;
    EXPECT_EQ(profileLabel(basic), "Unknown");
    EXPECT_EQ(folderName(basic), "Unknown");
    EXPECT_EQ(describe(basic), "Unknown");
    EXPECT_EQ(resolutionTab(basic), "Unknown");
    EXPECT_EQ(resolutionLabel(basic), "1080p");
    EXPECT_EQ(speedKey(basic), "Slow Motion");
}

TEST(MetadataLabels, ResolutionBoundsAndOrientation)
{
    const struct {
        qint64 w, h;
        const char *label;
    } rows[] = {
        {3840, 2160, "4K"}, {2160, 3840, "4K"}, {2720, 1530, "2.7K"}, {2688, 1512, "2.7K"},
        {1920, 1080, "1080p"}, {1280, 720, "720p"}, {640, 360, "360p"}, {960, 540, "540p"},
        {540, 960, "540p"}, {0, 1080, "1080p"}, {0, 0, "0p"}, {3799, 2000, "3K"},
        {3800, 2000, "4K"}, {1249, 700, "700p"}, {7680, 4320, "8K"}, {5760, 3240, "6K"},
        {5120, 2880, "5K"}, {2560, 1440, "1440p"}, {1440, 0, "720p"}, {1000, 0, "0p"},
        {-5, 720, "720p"},
    };
    for (const auto &row : rows) {
        const ClipInfo info = clip(30, 30, row.w, row.h);
        EXPECT_EQ(resolutionLabel(info), row.label) << row.w << "x" << row.h;
        EXPECT_EQ(resolutionTab(info), row.label);
    }
    EXPECT_EQ(shortSide(clip(30, 30, 3840, 2160)), 2160);
    EXPECT_EQ(shortSide(clip(30, 30, 1080, 1920)), 1080);
    EXPECT_EQ(shortSide(clip(30, 30, 0, 1080)), 1080);
    EXPECT_EQ(shortSide(clip(30, 30, 1920, 0)), 0);
}

TEST(MetadataLabels, DescriptionParts)
{
    ClipInfo info = clip(29.97, 29.97);
    info.iso = 400;
    info.kelvin = "5600";
    EXPECT_EQ(describe(info), QStringLiteral("4K 30fps \u00B7 D-Log \u00B7 ISO 400 \u00B7 5600K"));
    info.iso = 0;
    info.kelvin.clear();
    EXPECT_EQ(describe(info), QStringLiteral("4K 30fps \u00B7 D-Log"));

    ClipInfo slow = clip(120, 30);
    slow.colorCode = 22;
    EXPECT_EQ(describe(slow), QStringLiteral("Slow Motion \u00B7 4K 120fps \u00B7 D-Log 2"));
    EXPECT_EQ(folderName(slow), "D-Log 2/4K Slowmo 120fps to 30p");
}

TEST(MetadataLabels, TakesColor)
{
    EXPECT_TRUE(takesColor(withGamma("HLG")));
    EXPECT_TRUE(takesColor(withGamma("D-Log")));
    EXPECT_FALSE(takesColor(withGamma("Rec.709")));
    EXPECT_FALSE(takesColor(withGamma("NORMAL")));
    EXPECT_TRUE(takesColor(clip(30, 30)));
    ClipInfo eightBit = clip(30, 30);
    eightBit.bitDepth = 8;
    EXPECT_FALSE(takesColor(eightBit));
    ClipInfo unknownCode = clip(30, 30);
    unknownCode.colorCode = 7;
    EXPECT_FALSE(takesColor(unknownCode));
}

// The profile label is text from inside the file; as a folder it must stay one
// harmless component inside the clip's folder.
TEST(MetadataFolderName, EveryComponentIsSafe)
{
    EXPECT_EQ(folderName(withGamma(".")), "_./4K 30p");
    EXPECT_EQ(folderName(withGamma("..")), "_../4K 30p");
    EXPECT_EQ(folderName(withGamma(".hidden")), "_.hidden/4K 30p");
    EXPECT_EQ(folderName(withGamma("../../etc")), "_..-..-etc/4K 30p");
    EXPECT_EQ(folderName(withGamma(QString::fromUtf8("D-\0Log", 6))), "D-Log/4K 30p");
    EXPECT_EQ(folderName(withGamma(QStringLiteral("Log\nX\t\u0085\u007f"))), "LogX/4K 30p");
    EXPECT_EQ(folderName(withGamma(QStringLiteral("\x01\x02"))), "_/4K 30p");
    EXPECT_EQ(folderName(withGamma(QStringLiteral("\x01.."))), "_../4K 30p");
    EXPECT_EQ(folderName(withGamma("a..b")), "a..b/4K 30p") << "dots inside a name are fine";
    // Display keeps the text as read (after the documented slash and colon swap).
    EXPECT_EQ(profileLabel(withGamma("..")), "..");
    EXPECT_EQ(profileLabel(withGamma(QStringLiteral("Log\n"))), QStringLiteral("Log\n"));

    // Whatever the text, the result has exactly two non-empty components.
    const QStringList nasty = {"", ".", "..", "/", "//", "./..", "\\", " ", "\x7f", "a/b:c"};
    for (const QString &g : nasty) {
        const QStringList parts = folderName(withGamma(g)).split(u'/');
        ASSERT_EQ(parts.size(), 2) << g.toStdString();
        for (const QString &p : parts) {
            EXPECT_FALSE(p.isEmpty());
            EXPECT_NE(p, ".");
            EXPECT_NE(p, "..");
            EXPECT_FALSE(p.startsWith(u'.'));
        }
    }
}

TEST(MetadataLabels, SpanishWords)
{
    Language::apply("es");
    ClipInfo unknown;
    unknown.recognized = false;
    EXPECT_EQ(profileLabel(unknown), "Desconocido");
    ClipInfo eightBit = clip(30, 30);
    eightBit.bitDepth = 8;
    EXPECT_EQ(profileLabel(eightBit), "Normal 8 bits");
    ClipInfo code = clip(30, 30);
    code.colorCode = 7;
    EXPECT_EQ(profileLabel(code), "Desconocido (valor 7)");
    code.colorCode = 0;
    EXPECT_EQ(profileLabel(code), "Sin especificar");
    EXPECT_EQ(folderName(clip(120, 30)), QStringLiteral("D-Log/4K C\u00e1mara lenta 120fps a 30p"));
    EXPECT_TRUE(describe(clip(120, 30)).startsWith(QStringLiteral("C\u00e1mara lenta")));
    // Grouping keys are never translated.
    EXPECT_EQ(speedKey(clip(120, 30)), "Slow Motion");
    EXPECT_EQ(speedKey(clip(30, 0)), "Unknown");
    EXPECT_EQ(resolutionTab(unknown), "Desconocido");
    Language::apply("en");
    EXPECT_EQ(profileLabel(unknown), "Unknown");
}
