// Rename planning (tokens, numbering, claims) and execution with companions and undo.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/SafeMove.h"
#include "library/Undo.h"
#include "rename/Rename.h"
#include "text/Language.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

// A D-Log 4K clip at 25p, named as given.
Planned dlog(const QString &url, double capture = 25, double playback = 25)
{
    Planned p;
    p.url = url;
    p.info.model = QStringLiteral("OsmoPocket3");
    p.info.colorCode = 2;
    p.info.bitDepth = 10;
    p.info.width = 3840;
    p.info.height = 2160;
    p.info.captureFPS = capture;
    p.info.playbackFPS = playback;
    return p;
}

QStringList targets(const QList<RenamePlan> &plans)
{
    QStringList out;
    for (const RenamePlan &plan : plans)
        out << fileName(plan.to);
    return out;
}

TEST(RenameTokens, DefaultTemplateOnACameraName)
{
    EXPECT_EQ(defaultRenameTemplate(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}"));
    const Planned clip = dlog("/card/DJI_20240131123456_0007_D.MP4");
    EXPECT_EQ(newStem(clip, defaultRenameTemplate(), 5), QStringLiteral("20240131_DLog_4K25p_0007"));
    const QList<RenamePlan> plans = renamePlans({clip}, defaultRenameTemplate());
    ASSERT_EQ(plans.size(), 1);
    EXPECT_EQ(plans[0].id, clip.id);
    EXPECT_EQ(plans[0].from, clip.url);
    EXPECT_EQ(plans[0].to, QStringLiteral("/card/20240131_DLog_4K25p_0007.MP4"));
    // Applying the same template again keeps the date and the number: nothing to do.
    EXPECT_TRUE(renamePlans({dlog(plans[0].to)}, defaultRenameTemplate()).isEmpty());
}

TEST(RenameTokens, EachTokenAndTheCleaning)
{
    Planned clip = dlog("/card/clip_123.mov", 120, 30);
    EXPECT_EQ(newStem(clip, "{fps}", 0), QStringLiteral("120p")); // slow motion: capture rate
    EXPECT_EQ(newStem(clip, "{num}", 0), QStringLiteral("123"));
    EXPECT_EQ(newStem(clip, "{name}", 0), QStringLiteral("clip_123"));
    EXPECT_EQ(newStem(clip, "{iso}x", 0), QStringLiteral("x"));
    clip.info.iso = 800;
    EXPECT_EQ(newStem(clip, "{iso}", 0), QStringLiteral("ISO800"));
    clip.info.bitDepth = 8;
    EXPECT_EQ(newStem(clip, "{profile}", 0), QStringLiteral("Normal8bit"));
    clip.info.bitDepth = 10;
    clip.info.colorCode = 22;
    EXPECT_EQ(newStem(clip, "{profile}", 0), QStringLiteral("DLog2"));
    EXPECT_EQ(newStem(clip, "/", 0), QStringLiteral("-"));
    EXPECT_EQ(newStem(clip, " a:b\\c/{PROFILE}\n", 0), QStringLiteral("a-b-c-{PROFILE}"));
    EXPECT_EQ(newStem(dlog("/card/clip_1234567.mp4"), "{num}", 9), QStringLiteral("0010"));
    EXPECT_EQ(newStem(dlog("/card/DJI_20240131123456_0007_D.mp4"), "{num}", 0), QStringLiteral("0007"));
    // An inserted value is not expanded again.
    EXPECT_EQ(newStem(dlog("/card/a{num}.mp4"), "{name}", 0), QStringLiteral("a{num}"));
}

TEST(RenameTokens, DateFromNameElseFileElseZeros)
{
    EXPECT_EQ(clipDate("x_DJI_20240131123456", "/nowhere"), QStringLiteral("20240131"));
    EXPECT_EQ(clipDate("20230101_DLog_4K30p_0003", "/nowhere"), QStringLiteral("20230101"));
    EXPECT_EQ(clipDate("holiday", "/nowhere/holiday.mp4"), QStringLiteral("00000000"));

    QTemporaryDir dir(tempHome() + QStringLiteral("/date-XXXXXX"));
    const QString path = dir.path() + QStringLiteral("/holiday.mp4");
    ASSERT_TRUE(writeBytes(path, "x"));
    const QFileInfo info(path);
    const QDateTime when = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    EXPECT_EQ(clipDate("holiday", path), QLocale::c().toString(when, QStringLiteral("yyyyMMdd")));
    EXPECT_EQ(newStem(dlog(path), "{date}_{num}", 2), clipDate("holiday", path) + QStringLiteral("_0003"));
}

using RenameTest = FileTest;

TEST_F(RenameTest, ClashesAreNumberedAndClaimsIgnoreCase)
{
    const QList<Planned> three{dlog(file("a.mp4")), dlog(file("b.mp4")), dlog(file("c.mp4"))};
    EXPECT_EQ(targets(renamePlans(three, "S")), (QStringList{"S.mp4", "S_2.mp4", "S_3.mp4"}));
    file("S.mp4");
    EXPECT_EQ(targets(renamePlans(three, "S")), (QStringList{"S_2.mp4", "S_3.mp4", "S_4.mp4"}));
    // Differing only in letter case from a name claimed in the same run: taken.
    const QList<Planned> mixed{dlog(file("x.mp4")), dlog(file("y.MP4"))};
    EXPECT_EQ(targets(renamePlans(mixed, "Clip")), (QStringList{"Clip.mp4", "Clip_2.MP4"}));
    // Nothing usable: no plan, nothing claimed.
    EXPECT_TRUE(renamePlans(three, "").isEmpty());
    EXPECT_TRUE(renamePlans(three, " .hidden").isEmpty());
    // A clip that already has the name keeps it, and the others number around it.
    const QList<Planned> keep{dlog(path("S.mp4")), dlog(path("a.mp4"))};
    EXPECT_EQ(targets(renamePlans(keep, "S")), QStringList{"S_2.mp4"});
}

TEST_F(RenameTest, RenamesClipThenCompanionsAndUndoRestores)
{
    EXPECT_TRUE(performRename({}).moves.isEmpty());
    EXPECT_TRUE(performRename({}).failed.isEmpty());

    const QString clip = file("DJI_0001.MP4");
    file("DJI_0001.LRF");
    file("DJI_0001.SRT");
    const QString to = path("20240131_DLog_4K25p_0001.MP4");
    const SortOutcome outcome = performRename({RenamePlan{QUuid::createUuid(), clip, to}});
    EXPECT_TRUE(outcome.failed.isEmpty());
    EXPECT_EQ(outcome.moves, (QList<Move>{{clip, to, false},
                                          {path("DJI_0001.LRF"), path("20240131_DLog_4K25p_0001.LRF"), false},
                                          {path("DJI_0001.SRT"), path("20240131_DLog_4K25p_0001.SRT"), false}}));
    EXPECT_EQ(readBytes(path("20240131_DLog_4K25p_0001.SRT")), "DJI_0001.SRT");

    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"DJI_0001.LRF", "DJI_0001.MP4", "DJI_0001.SRT"}));
}

TEST_F(RenameTest, TakenTargetsAndFailuresAreLinesAndChangeNothingElse)
{
    const QString a = file("a.mp4");
    file("a.LRF");
    const QString b = file("b.mp4");
    const QString c = file("c.mp4");
    file("c.LRF");
    file("c.SRT");
    file("taken.mp4");
    setMoveFault([](MoveStep step, const QString &from, const QString &) {
        return step == MoveStep::Rename && from.endsWith(u"c.LRF") ? EIO : 0;
    });
    const SortOutcome outcome = performRename({
        {QUuid::createUuid(), a, path("taken.mp4")},
        {QUuid::createUuid(), b, path("new.mp4")},
        {QUuid::createUuid(), path("gone.mp4"), path("other.mp4")},
        {QUuid::createUuid(), c, path("new.mp4")}, // free when planned, taken by now
        {QUuid::createUuid(), c, path("d.mp4")},
    });
    setMoveFault({});
    EXPECT_EQ(outcome.failed, (QStringList{L("%@: name already exists", {QStringLiteral("a.mp4")}),
                                           QStringLiteral("gone.mp4: ") + errorText(ENOENT),
                                           L("%@: name already exists", {QStringLiteral("c.mp4")}),
                                           QStringLiteral("c.mp4: ") + errorText(EIO)}));
    EXPECT_EQ(outcome.moves, (QList<Move>{{b, path("new.mp4"), false}, {c, path("d.mp4"), false}}));
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.LRF", "a.mp4", "c.LRF", "c.SRT", "d.mp4", "new.mp4", "taken.mp4"}));

    // The folder the clips were renamed in is never removed by undo, even when a
    // renamed file vanished and the folder ends up empty.
    const QString only = file("Solo/x.mp4");
    const SortOutcome solo = performRename({{QUuid::createUuid(), only, path("Solo/y.mp4")}});
    ASSERT_TRUE(QFile::remove(path("Solo/y.mp4")));
    EXPECT_EQ(undo(solo.moves), QStringList{QStringLiteral("y.mp4: ") + errorText(ENOENT)});
    EXPECT_TRUE(QFileInfo(path("Solo")).isDir());
}

} // namespace
