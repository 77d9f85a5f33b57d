// Organizing, trashing and undoing: destinations, companions, failure lines, clean-up.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/SafeMove.h"
#include "library/Trash.h"
#include "library/Undo.h"
#include "text/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class OrganizeTest : public FileTest {
protected:
    void TearDown() override { setMoveFault({}); }
    ScanResult result(const QList<Planned> &items) { return ScanResult{dir.path(), true, items, {}}; }
};

TEST_F(OrganizeTest, NothingSortableTouchesNothing)
{
    file("a.mp4");
    const QStringList before = tree(dir.path());
    const SortOutcome outcome = organize(result({planned(path("a.mp4"), "D-Log/4K 30p", false)}));
    EXPECT_TRUE(outcome.moves.isEmpty());
    EXPECT_TRUE(outcome.failed.isEmpty());
    EXPECT_EQ(tree(dir.path()), before);
    EXPECT_TRUE(organize(result({})).moves.isEmpty());
}

TEST_F(OrganizeTest, DestinationIsBesideEachClipAndCompanionsFollowInOrder)
{
    const QString clip = file("A/clip.mp4");
    file("A/clip.SRT");
    file("A/clip.LRF");
    file("A/clip.aac");
    file("A/clip.txt");
    const QString top = file("top.MOV");
    const SortOutcome outcome = organize(result({planned(clip), planned(top, "HLG/1080p 25p")}));
    EXPECT_TRUE(outcome.failed.isEmpty()) << outcome.failed.join(u'\n').toStdString();
    const QString dest = path("A/D-Log/4K 30p/");
    const QList<Move> expected{
        {clip, dest + "clip.mp4", false},
        {path("A/clip.LRF"), dest + "clip.LRF", false},
        {path("A/clip.SRT"), dest + "clip.SRT", false},
        {path("A/clip.aac"), dest + "clip.aac", false},
        {top, path("HLG/1080p 25p/top.MOV"), false},
    };
    EXPECT_EQ(outcome.moves, expected);
    EXPECT_EQ(readBytes(dest + "clip.mp4"), "A/clip.mp4");
    EXPECT_TRUE(QFile::exists(path("A/clip.txt")));
    EXPECT_FALSE(QFile::exists(path("D-Log")));
}

TEST_F(OrganizeTest, TakenTargetsStopTheClipButACompanionStaysSilently)
{
    const QString taken = file("taken.mp4");
    file("taken.LRF");
    file("D-Log/4K 30p/taken.mp4");
    const QString clip = file("clip.mp4");
    file("clip.LRF");
    file("clip.SRT");
    file("D-Log/4K 30p/clip.LRF");
    const SortOutcome outcome = organize(result({planned(taken), planned(clip)}));
    EXPECT_EQ(outcome.failed, QStringList{L("%@: already exists at destination", {QStringLiteral("taken.mp4")})});
    EXPECT_EQ(readBytes(taken), "taken.mp4");
    EXPECT_TRUE(QFile::exists(path("taken.LRF")));
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/taken.mp4")), "D-Log/4K 30p/taken.mp4");
    ASSERT_EQ(outcome.moves.size(), 2);
    EXPECT_EQ(outcome.moves[1].from, path("clip.SRT"));
    EXPECT_EQ(readBytes(path("clip.LRF")), "clip.LRF");
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/clip.LRF")), "D-Log/4K 30p/clip.LRF");
}

TEST_F(OrganizeTest, EveryFailureIsALineAndTheBatchGoesOn)
{
    file("blocked/D-Log"); // a file where the profile folder must be made
    const QString blocked = file("blocked/a.mp4");
    const QString gone = path("gone.mp4");
    const QString bad = file("bad.mp4");
    const QString good = file("good.mp4");
    file("good.LRF");
    file("good.SRT");
    // The clip's LRF refuses to move: the clip stays moved, the SRT is not tried.
    setMoveFault([&](MoveStep step, const QString &from, const QString &) {
        return step == MoveStep::Rename && from.endsWith(u"good.LRF") ? EACCES : 0;
    });
    const SortOutcome outcome = organize(result({planned(blocked), planned(gone), planned(bad, "../escape"), planned(good)}));
    EXPECT_EQ(outcome.failed, (QStringList{
                                  QStringLiteral("a.mp4: ") + errorText(ENOTDIR),
                                  QStringLiteral("gone.mp4: ") + errorText(ENOENT),
                                  L("%@: invalid destination folder", {QStringLiteral("bad.mp4")}),
                                  QStringLiteral("good.mp4: ") + errorText(EACCES),
                              }));
    EXPECT_EQ(outcome.moves, (QList<Move>{{good, path("D-Log/4K 30p/good.mp4"), false}}));
    EXPECT_TRUE(QFile::exists(blocked));
    EXPECT_TRUE(QFile::exists(bad));
    EXPECT_TRUE(QFile::exists(path("good.LRF")));
    EXPECT_TRUE(QFile::exists(path("good.SRT")));
}

// No move records a folder made for a clip that then stayed, so undo could never
// remove it: it goes at once.
TEST_F(OrganizeTest, FoldersMadeForAClipThatDidNotMoveAreRemoved)
{
    const QString a = file("Keep/a.mp4");
    setMoveFault([](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename ? EIO : 0; });
    const SortOutcome outcome = organize(result({planned(a), planned(path("Keep/gone.mp4"))}));
    EXPECT_EQ(outcome.failed.size(), 2);
    EXPECT_EQ(tree(dir.path()), (QStringList{"Keep/", "Keep/a.mp4"}));
}

TEST(Issues, HeadFourLinesAndTheRestCounted)
{
    const QStringList six{"1", "2", "3", "4", "5", "6"};
    EXPECT_EQ(issues("Head", six), QStringLiteral("Head\n1\n2\n3\n4\n") + L("…and %d more", {2}));
    EXPECT_EQ(L("…and %d more", {2}), QStringLiteral("…and 2 more"));
    EXPECT_EQ(issues("Head", six.mid(0, 4)), QStringLiteral("Head\n1\n2\n3\n4"));
    EXPECT_EQ(issues("Head", six.mid(0, 5)), QStringLiteral("Head\n1\n2\n3\n4\n") + L("…and %d more", {1}));
    EXPECT_EQ(issues("Head", {}), QStringLiteral("Head"));
}

using UndoTest = OrganizeTest;

TEST_F(UndoTest, EmptyHistoryChangesNothing)
{
    file("a.mp4");
    const QStringList before = tree(dir.path());
    EXPECT_TRUE(undo({}).isEmpty());
    EXPECT_EQ(tree(dir.path()), before);
}

TEST_F(UndoTest, PutsBackAndRemovesBothLevelsButNeverTheOrigin)
{
    const QString a = file("a.mp4");
    file("a.LRF");
    const QString b = file("b.mp4");
    file("keep.txt");
    const SortOutcome outcome = organize(result({planned(a, "D-Log/F1"), planned(b, "D-Log/F2")}));
    ASSERT_EQ(outcome.moves.size(), 3);
    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.LRF", "a.mp4", "b.mp4", "keep.txt"}));

    // Organized from a folder that is then emptied: the origin itself stays.
    const QString c = file("R/c.mp4");
    const SortOutcome second = organize(result({planned(c, "D-Log/F1")}));
    ASSERT_TRUE(QFile::remove(path("R/D-Log/F1/c.mp4")));
    ASSERT_TRUE(writeBytes(path("R/D-Log/F1/.DS_Store"), "x"));
    EXPECT_EQ(undo(second.moves).size(), 1);
    EXPECT_TRUE(QFileInfo(path("R")).isDir());
    EXPECT_FALSE(QFile::exists(path("R/D-Log")));
}

TEST_F(UndoTest, AFolderWithAnythingButDsStoreStaysWithItsParent)
{
    const QString a = file("a.mp4");
    const QString b = file("b.mp4");
    const SortOutcome outcome = organize(result({planned(a, "D-Log/F1"), planned(b, "D-Log/F2")}));
    ASSERT_TRUE(writeBytes(path("D-Log/F1/.DS_Store"), "finder"));
    ASSERT_TRUE(writeBytes(path("D-Log/F2/new.mp4"), "user's"));
    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_FALSE(QFile::exists(path("D-Log/F1")));
    EXPECT_EQ(readBytes(path("D-Log/F2/new.mp4")), "user's");
    EXPECT_EQ(tree(dir.path()), (QStringList{"D-Log/", "D-Log/F2/", "D-Log/F2/new.mp4", "a.mp4", "b.mp4"}));
}

TEST_F(UndoTest, ATakenOriginIsReportedAndTheRestStillGoesBack)
{
    const QString a = file("a.mp4");
    const QString b = file("b.mp4");
    const SortOutcome outcome = organize(result({planned(a), planned(b)}));
    ASSERT_TRUE(writeBytes(a, "newcomer"));
    // A destination deleted behind our back is a failure line too.
    const QString c = file("c.mp4");
    const SortOutcome third = organize(result({planned(c, "HLG/F")}));
    ASSERT_TRUE(QFile::remove(path("HLG/F/c.mp4")));
    QList<Move> history = outcome.moves + third.moves;
    const QStringList failed = undo(history);
    EXPECT_EQ(failed, (QStringList{QStringLiteral("c.mp4: ") + errorText(ENOENT),
                                   L("%@: already exists at origin", {QStringLiteral("a.mp4")})}));
    EXPECT_EQ(readBytes(a), "newcomer");
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/a.mp4")), "a.mp4");
    EXPECT_EQ(readBytes(b), "b.mp4");
    EXPECT_FALSE(QFile::exists(path("HLG")));
}

TEST_F(UndoTest, TrashRecordsCompanionsAndUndoBringsThemBack)
{
    const QString clip = file("Sub/name.mp4");
    file("Sub/name.LRF");
    file("Sub/name.SRT");
    const QString other = file("other.mp4");
    const SortOutcome outcome = trashClips({planned(clip), planned(path("missing.mp4")), planned(other)});
    EXPECT_EQ(outcome.failed, QStringList{QStringLiteral("missing.mp4: ") + errorText(ENOENT)});
    ASSERT_EQ(outcome.moves.size(), 4);
    EXPECT_EQ(outcome.moves[0].from, clip);
    EXPECT_EQ(outcome.moves[1].from, path("Sub/name.LRF"));
    EXPECT_EQ(outcome.moves[2].from, path("Sub/name.SRT"));
    for (const Move &move : outcome.moves) {
        EXPECT_TRUE(move.trashed);
        EXPECT_TRUE(move.to.startsWith(homeTrash() + QStringLiteral("/files/")));
        EXPECT_TRUE(trashInfoFor(move.to).has_value());
    }
    EXPECT_EQ(tree(path("Sub")), QStringList{});

    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"Sub/", "Sub/name.LRF", "Sub/name.SRT", "Sub/name.mp4", "other.mp4"}));
    EXPECT_EQ(readBytes(path("Sub/name.SRT")), "Sub/name.SRT");
    // No dead entries left in the trash.
    for (const Move &move : outcome.moves) {
        EXPECT_FALSE(QFile::exists(move.to));
        EXPECT_FALSE(QFile::exists(homeTrash() + QStringLiteral("/info/") + fileName(move.to) + QStringLiteral(".trashinfo")));
    }
}

TEST_F(UndoTest, OrganizeThenTrashThenUndoRestoresEverything)
{
    const QString a = file("a.mp4");
    file("a.SRT");
    const SortOutcome sorted = organize(result({planned(a)}));
    const SortOutcome trashed = trashClips({planned(path("D-Log/4K 30p/a.mp4"))});
    ASSERT_EQ(trashed.moves.size(), 2);
    EXPECT_TRUE(undo(sorted.moves + trashed.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.SRT", "a.mp4"}));
}

} // namespace
