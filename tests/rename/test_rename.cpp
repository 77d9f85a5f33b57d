// Rename planning (tokens, numbering, claims) and execution with companions and undo.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/Undo.h"
#include "rename/Rename.h"
#include "text/Language.h"

#include <QDate>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

// A D-Log 4K clip, named as given.
Planned dlog(const QString &url, double capture = 25, double playback = 25)
{
    Planned p = planned(url);
    p.info = {.model = QStringLiteral("OsmoPocket3"), .captureFPS = capture, .playbackFPS = playback, .bitDepth = 10,
              .colorCode = 2, .width = 3840, .height = 2160};
    return p;
}

QStringList targets(const QList<RenamePlan> &plans)
{
    QStringList out;
    for (const RenamePlan &plan : plans)
        out << fileName(plan.to);
    return out;
}

using RenameTest = FileTest;

TEST_F(RenameTest, DefaultTemplateKeepsTheCameraDateAndNumberElseTakesTheFilesAndThePosition)
{
    const Planned clip = dlog("/card/DJI_20240131123456_0007_D.MP4");
    const QList<RenamePlan> plans = renamePlans({clip}, defaultRenameTemplate());
    ASSERT_EQ(plans.size(), 1);
    EXPECT_EQ(plans[0].to, QStringLiteral("/card/20240131_DLog_4K25p_0007.MP4"));
    // Applying the same template again keeps the date and the number: nothing to do.
    EXPECT_TRUE(renamePlans({dlog(plans[0].to)}, defaultRenameTemplate()).isEmpty());
    // Neither in the name: the file's own date (made just now) and the 1-based position.
    const QString today = QDate::currentDate().toString(u"yyyyMMdd");
    const QString stem = newStem(dlog(file("holiday.mp4")), "{date}_{num}", 2);
    EXPECT_TRUE(stem == today + "_0003" || stem == QDate::currentDate().toString(u"yyyyMMdd") + "_0003") << stem.toStdString();
}

// Slow motion names the capture rate; separators and control characters become "-".
TEST(RenameTokens, EachTokenAndTheCleaning)
{
    Planned slow = dlog("/card/clip_123.mov", 120, 30), iso = slow, normal = slow, dlog2 = slow, fraktur = slow;
    iso.info.iso = 1;
    normal.info.bitDepth = 8;
    dlog2.info.colorCode = 22;
    fraktur.info.gammaText = QString::fromUcs4(U"\U0001D507-Log"); // a letter beyond 16 bits
    const struct { Planned clip; const char *tmpl; int index; const char *stem; } rows[] = {
        {slow, "{fps}", 0, "120p"}, {slow, "{num}", 0, "123"}, {slow, "{iso}x", 0, "x"}, {iso, "{iso}", 0, "ISO1"},
        {normal, "{profile}", 0, "Normal8bit"}, {dlog2, "{profile}", 0, "DLog2"}, {fraktur, "{profile}", 0, "\U0001D507Log"}, {slow, "/", 0, "-"},
        {slow, " a:b\\c/{PROFILE}\n", 0, "a-b-c-{PROFILE}"}, {dlog("/card/clip_1234567.mp4"), "{num}", 9, "0010"},
        {dlog("/card/clip_123456.mp4"), "{num}", 9, "123456"},
        {dlog("/nowhere/x20230101_a.mp4"), "{date}", 0, "00000000"}, // a date only at the start, and no file
        {dlog("/card/a{num}.mp4"), "{name}", 0, "a{num}"}, // an inserted value is not expanded again
        {dlog("/card/20230101_DLog_4K30p_0003.mp4"), "{date}_{num}", 0, "20230101_0003"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(newStem(row.clip, row.tmpl, row.index), QString::fromUtf8(row.stem)) << row.tmpl;
}

TEST_F(RenameTest, ClashesAreNumberedAndClaimsIgnoreCase)
{
    const QList<Planned> three{dlog(file("a.mp4")), dlog(file("b.mp4")), dlog(file("c.mp4"))};
    EXPECT_EQ(targets(renamePlans(three, "S")), (QStringList{"S.mp4", "S_2.mp4", "S_3.mp4"}));
    ASSERT_EQ(::symlink("gone", QFile::encodeName(path("S.mp4")).constData()), 0); // a dangling link takes a name too
    EXPECT_EQ(targets(renamePlans(three, "S")), (QStringList{"S_2.mp4", "S_3.mp4", "S_4.mp4"}));
    // Differing only in letter case from a name claimed in the same run: taken.
    EXPECT_EQ(targets(renamePlans({dlog(file("x.mp4")), dlog(file("y.MP4"))}, "Clip")),
              (QStringList{"Clip.mp4", "Clip_2.MP4"}));
    // A NUL would cut the name short on disk, extension and all.
    EXPECT_EQ(targets(renamePlans({three[0]}, QStringLiteral("x") + QChar(0) + u'y')), QStringList{"x-y.mp4"});
    // Nothing usable: no plan; and no name leads out of the folder or hides the clip.
    EXPECT_TRUE(renamePlans(three, "").isEmpty());
    EXPECT_TRUE(renamePlans(three, " .hidden").isEmpty());
    for (const char *tmpl : {"..", "../x", "a/../../b", "\x01\x7f"}) {
        for (const RenamePlan &plan : renamePlans(three, tmpl))
            EXPECT_TRUE(parentPath(plan.to) == dir.path() && !fileName(plan.to).startsWith(u'.')) << tmpl;
    }
    // A clip that already has the name keeps it, and the others number around it.
    EXPECT_EQ(targets(renamePlans({dlog(path("S.mp4")), dlog(path("a.mp4"))}, "S")), QStringList{"S_2.mp4"});
}

// Organized, then renamed in its new folder, then the whole chain undone newest first:
// every file is back under its old name and organizing's folders are gone.
TEST_F(RenameTest, RenamesClipThenCompanionsAndUndoOfTheChainRestores)
{
    const QString clip = file("DJI_0001.MP4");
    files({"DJI_0001.LRF", "DJI_0001.SRT", "notes.txt"});
    const SortOutcome sorted = organize(ScanResult{dir.path(), true, {planned(clip)}, {}});
    ASSERT_EQ(sorted.moves.size(), 3);
    const QString pile = path("D-Log/4K 30p/");
    const SortOutcome renamed = performRename({{QUuid::createUuid(), pile + "DJI_0001.MP4", pile + "new.MP4"}});
    EXPECT_EQ(renamed.moves, (QList<Move>{{pile + "DJI_0001.MP4", pile + "new.MP4"},
                                          {pile + "DJI_0001.LRF", pile + "new.LRF"},
                                          {pile + "DJI_0001.SRT", pile + "new.SRT"}}));
    EXPECT_EQ(readBytes(pile + "new.SRT"), "DJI_0001.SRT");
    EXPECT_TRUE(undo(sorted.moves + renamed.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"DJI_0001.LRF", "DJI_0001.MP4", "DJI_0001.SRT", "notes.txt"}));
    EXPECT_EQ(readBytes(clip), "DJI_0001.MP4");
}

TEST_F(RenameTest, TakenTargetsAndFailuresAreLinesAndChangeNothingElse)
{
    const QString a = file("a.mp4"), b = file("b.mp4"), c = file("c.mp4");
    files({"a.LRF", "b.LRF", "new.LRF", "c.LRF", "c.SRT", "taken.mp4"}); // b's LRF stays: its new name is taken
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
    EXPECT_EQ(outcome.failed, (QStringList{L("%@: name already exists", {QStringLiteral("a.mp4")}),
                                           "gone.mp4: " + errorText(ENOENT),
                                           L("%@: name already exists", {QStringLiteral("c.mp4")}),
                                           "c.mp4: " + errorText(EIO)}));
    EXPECT_EQ(outcome.moves, (QList<Move>{{b, path("new.mp4")}, {c, path("d.mp4")}}));
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.LRF", "a.mp4", "b.LRF", "c.LRF", "c.SRT", "d.mp4", "new.LRF", "new.mp4",
                                             "taken.mp4"}));

    // The folder the clips were renamed in is never removed by undo, even when a
    // renamed file vanished and the folder ends up empty.
    const SortOutcome solo = performRename({{QUuid::createUuid(), file("Solo/x.mp4"), path("Solo/y.mp4")}});
    ASSERT_TRUE(QFile::remove(path("Solo/y.mp4")));
    EXPECT_EQ(undo(solo.moves), QStringList{"y.mp4: " + errorText(ENOENT)});
    EXPECT_TRUE(QFileInfo(path("Solo")).isDir());
}

} // namespace
