// Organizing, trashing and undoing: destinations, companions, failure lines, clean-up,
// and the freedesktop.org trash as we write it.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/Trash.h"
#include "library/Undo.h"
#include "text/Language.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class OrganizeTest : public FileTest {
protected:
    ScanResult result(const QList<Planned> &items) { return ScanResult{dir.path(), true, items, {}}; }
};

TEST_F(OrganizeTest, DestinationIsBesideEachClipAndCompanionsFollowInOrder)
{
    const QString clip = file("A/clip.mp4");
    files({"A/clip.srt", "A/clip.SRT", "A/clip.AAC", "A/clip.LRF", "A/clip.aac", "A/clip.lrf", "A/clip.txt"});
    const QString top = file("top.MOV");
    const QString unsortable = file("B/u.mp4");
    const SortOutcome outcome = organize(result({planned(clip), planned(unsortable, "D-Log/F", false),
                                                 planned(top, "HLG/1080p 25p")}));
    const QString dest = path("A/D-Log/4K 30p/");
    QList<Move> expected{{clip, dest + "clip.mp4"}};
    for (const QString ext : {"LRF", "lrf", "SRT", "srt", "AAC", "aac"}) // every companion, in this order
        expected << Move{path("A/clip.") + ext, dest + "clip." + ext};
    EXPECT_EQ(outcome.moves, (expected << Move{top, path("HLG/1080p 25p/top.MOV")}));
    EXPECT_EQ(readBytes(dest + "clip.mp4"), "A/clip.mp4");
    EXPECT_TRUE(QFile::exists(path("A/clip.txt")));
    EXPECT_EQ(tree(path("B")), QStringList{"u.mp4"});
}

TEST_F(OrganizeTest, TakenTargetsStopTheClipButACompanionStaysSilently)
{
    const QString taken = file("taken.mp4"), boxed = file("boxed.mp4");
    const QString clip = file("clip.mp4");
    files({"taken.LRF", "D-Log/4K 30p/taken.mp4", "clip.LRF", "clip.SRT", "D-Log/4K 30p/clip.LRF"});
    ASSERT_TRUE(makeDir(path("D-Log/4K 30p/boxed.mp4"))); // a folder takes the name as well
    const SortOutcome outcome = organize(result({planned(taken), planned(boxed), planned(clip)}));
    EXPECT_EQ(outcome.failed, (QStringList{L("%@: already exists at destination", {QStringLiteral("taken.mp4")}),
                                           L("%@: already exists at destination", {QStringLiteral("boxed.mp4")})}));
    EXPECT_EQ(outcome.moves, (QList<Move>{{clip, path("D-Log/4K 30p/clip.mp4")},
                                          {path("clip.SRT"), path("D-Log/4K 30p/clip.SRT")}}));
    EXPECT_EQ(tree(dir.path()).filter(".LRF"), (QStringList{"D-Log/4K 30p/clip.LRF", "clip.LRF", "taken.LRF"}));
    EXPECT_EQ(readBytes(taken), "taken.mp4");
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/taken.mp4")), "D-Log/4K 30p/taken.mp4");
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/clip.LRF")), "D-Log/4K 30p/clip.LRF");
}

TEST_F(OrganizeTest, EveryFailureIsALineAndTheBatchGoesOn)
{
    file("blocked/D-Log"); // a file where the profile folder must be made
    const QString blocked = file("blocked/a.mp4");
    const QString good = file("good.mp4");
    files({"good.LRF", "good.SRT"});
    // The clip's LRF refuses to move: the clip stays moved, the SRT is not tried.
    setMoveFault([&](MoveStep step, const QString &from, const QString &) {
        return step == MoveStep::Rename && from.endsWith(u"good.LRF") ? EACCES : 0;
    });
    const SortOutcome outcome =
        organize(result({planned(blocked), planned(path("gone.mp4")), planned(good)}));
    EXPECT_EQ(outcome.failed, (QStringList{"a.mp4: " + errorText(ENOTDIR), "gone.mp4: " + errorText(ENOENT),
                                           "good.mp4: " + errorText(EACCES)}));
    EXPECT_EQ(outcome.moves, (QList<Move>{{good, path("D-Log/4K 30p/good.mp4")}}));
    EXPECT_EQ(tree(dir.path()), (QStringList{"D-Log/", "D-Log/4K 30p/", "D-Log/4K 30p/good.mp4", "blocked/",
                                             "blocked/D-Log", "blocked/a.mp4", "good.LRF", "good.SRT"}));
}

// A destination that could lead out of the clip's folder is refused, and nothing moves.
TEST_F(OrganizeTest, HostileDestinationsAreRefused)
{
    const QString clip = file("clip.mp4");
    for (const char *folder : {"../escape", "/abs", "D-Log/../..", "", "D-Log//x", "./D-Log", "D-Log/."}) {
        EXPECT_EQ(organize(result({planned(clip, folder)})).failed,
                  QStringList{L("%@: invalid destination folder", {QStringLiteral("clip.mp4")})}) << folder;
    }
    EXPECT_EQ(tree(dir.path()), QStringList{"clip.mp4"});
}

// No move records a folder made for a clip that then stayed, so undo could never
// remove it: it goes at once, also when only its inner folder could not be made.
TEST_F(OrganizeTest, FoldersMadeForAClipThatDidNotMoveAreRemoved)
{
    const QString a = file("Keep/a.mp4");
    EXPECT_EQ(organize(result({planned(a, "D-Log/" + QString(300, u'x'))})).failed,
              QStringList{"a.mp4: " + errorText(ENAMETOOLONG)});
    setMoveFault([](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename ? EIO : 0; });
    EXPECT_EQ(organize(result({planned(a), planned(path("Keep/gone.mp4"))})).failed.size(), 2);
    EXPECT_EQ(tree(dir.path()), (QStringList{"Keep/", "Keep/a.mp4"}));
}

TEST(Issues, HeadFourLinesAndTheRestCounted)
{
    const QStringList six{"1", "2", "3", "4", "5", "6"};
    EXPECT_EQ(issues("Head", six), QStringLiteral("Head\n1\n2\n3\n4\n…and 2 more"));
    EXPECT_EQ(issues("Head", six.mid(0, 5)), QStringLiteral("Head\n1\n2\n3\n4\n…and 1 more"));
    EXPECT_EQ(issues("Head", six.mid(0, 4)), QStringLiteral("Head\n1\n2\n3\n4"));
    EXPECT_EQ(issues("Head", {}), QStringLiteral("Head"));
}

using UndoTest = OrganizeTest;

// Undo removes the folders organizing made when they are empty (a .DS_Store does not
// count), both levels, but never a folder the clips came from.
TEST_F(UndoTest, PutsBackAndRemovesEmptiedFoldersButNeverTheOrigin)
{
    const QString a = file("a.mp4"), b = file("b.mp4"), c = file("R/c.mp4");
    files({"a.LRF", "keep.txt"});
    const SortOutcome outcome = organize(result({planned(a, "D-Log/F1"), planned(b, "D-Log/F2"), planned(c, "D-Log/F1")}));
    ASSERT_EQ(outcome.moves.size(), 4);
    ASSERT_TRUE(writeBytes(path("D-Log/F1/.DS_Store"), "finder"));
    ASSERT_TRUE(writeBytes(path("D-Log/F2/new.mp4"), "user's"));
    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"D-Log/", "D-Log/F2/", "D-Log/F2/new.mp4", "R/", "R/c.mp4", "a.LRF",
                                             "a.mp4", "b.mp4", "keep.txt"}));
}

// A folder a clip was renamed in stays, though it ends up empty (the clip vanished
// since), whether it lies just above a folder organizing made or is that folder.
TEST_F(UndoTest, AFolderClipsCameFromIsNeverRemoved)
{
    QList<Move> history;
    for (const QString folder : {"D-Log/", "HLG/4K 30p/"}) {
        history << Move{file(folder + "x.mp4"), path(folder + "y.mp4")};
        ASSERT_FALSE(moveFile(history.last().from, history.last().to));
    }
    history << organize(result({planned(file("a.mp4")), planned(file("b.mp4"), "HLG/4K 30p")})).moves;
    ASSERT_TRUE(QFile::remove(path("D-Log/y.mp4")) && QFile::remove(path("HLG/4K 30p/y.mp4")));
    EXPECT_EQ(undo(history).size(), 2);
    EXPECT_EQ(tree(dir.path()), (QStringList{"D-Log/", "HLG/", "HLG/4K 30p/", "a.mp4", "b.mp4"}));
}

// Nor is the trash taken for a folder organizing made, even inside the clip's folder.
TEST_F(UndoTest, TheTrashIsNoFolderOfOurs)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    EXPECT_TRUE(undo(trashClips({planned(file("clip.mp4"))}).moves).isEmpty());
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(tree(dir.path()), (QStringList{"clip.mp4", "data/", "data/Trash/", "data/Trash/files/", "data/Trash/info/"}));
}

TEST_F(UndoTest, ATakenOriginIsReportedAndTheRestStillGoesBack)
{
    const QString a = file("a.mp4");
    const SortOutcome outcome = organize(result({planned(a), planned(file("b.mp4"))}));
    ASSERT_TRUE(writeBytes(a, "newcomer"));
    EXPECT_EQ(undo(outcome.moves), QStringList{L("%@: already exists at origin", {QStringLiteral("a.mp4")})});
    EXPECT_EQ(readBytes(a), "newcomer");
    EXPECT_EQ(readBytes(path("D-Log/4K 30p/a.mp4")), "a.mp4");
    EXPECT_EQ(readBytes(path("b.mp4")), "b.mp4");
}

TEST_F(UndoTest, TrashRecordsCompanionsAndUndoBringsThemBack)
{
    const QString clip = file("Sub/name.mp4");
    files({"Sub/name.LRF", "Sub/name.SRT", "other.LRF", "other.SRT"});
    // The other clip's LRF refuses to go: the clip stays trashed, its SRT is not tried.
    setMoveFault([](MoveStep step, const QString &from, const QString &) {
        return step == MoveStep::Rename && from.endsWith(u"other.LRF") ? EIO : 0;
    });
    const SortOutcome outcome = trashClips({planned(clip), planned(path("missing.mp4")), planned(file("other.mp4"))});
    setMoveFault({});
    EXPECT_EQ(outcome.failed, (QStringList{"missing.mp4: " + errorText(ENOENT), "other.mp4: " + errorText(EIO)}));
    ASSERT_EQ(outcome.moves.size(), 4);
    EXPECT_EQ(outcome.moves[1].from, path("Sub/name.LRF"));
    for (const Move &move : outcome.moves) {
        EXPECT_TRUE(move.trashed);
        EXPECT_TRUE(move.to.startsWith(homeTrash() + "/files/"));
    }
    EXPECT_EQ(tree(dir.path()), (QStringList{"Sub/", "other.LRF", "other.SRT"}));

    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(tree(dir.path()), (QStringList{"Sub/", "Sub/name.LRF", "Sub/name.SRT", "Sub/name.mp4", "other.LRF",
                                             "other.SRT", "other.mp4"}));
    EXPECT_EQ(readBytes(path("Sub/name.SRT")), "Sub/name.SRT");
    // No dead entries left in the trash.
    for (const Move &move : outcome.moves) {
        EXPECT_FALSE(QFile::exists(move.to));
        EXPECT_FALSE(QFile::exists(homeTrash() + "/info/" + fileName(move.to) + ".trashinfo"));
    }
}

} // namespace
