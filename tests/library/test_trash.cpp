// Where the trash is on each file system, and what a move into it leaves when it fails
// or is interrupted.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/Trash.h"
#include "library/Undo.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(native(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Each test gets a home trash of its own, so its contents can be compared whole.
class TrashTest : public FileTest {
protected:
    void SetUp() override
    {
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
    }
    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", saved);
        FileTest::TearDown();
    }
    QByteArray saved;
};

// The value of `key` in a .trashinfo file that starts with its group line.
QString infoField(const QString &infoFile, const QByteArray &key)
{
    const QByteArray text = readBytes(infoFile);
    EXPECT_TRUE(text.startsWith("[Trash Info]\n"));
    const qsizetype at = text.indexOf('\n' + key + '=');
    return at < 0 ? QString() : QString::fromUtf8(text.mid(at + key.size() + 2).split('\n').first());
}

// The entry's path is absolute in the home trash, escaped as in URLs; the date is local
// time to the second. The home trash may be a link to a folder, as other programs accept.
TEST_F(TrashTest, TrashedFileGetsItsEntryWithEncodedPathAndDate)
{
    ASSERT_TRUE(makeDir(path("elsewhere/Trash")) && makeDir(path("data")));
    ASSERT_EQ(::symlink(native(path("elsewhere/Trash")).constData(), native(path("data/Trash")).constData()), 0);
    const QString clip = file(QStringLiteral("Día 1/clip #1 %.mp4"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const TrashResult result = moveToTrash(clip);
    ASSERT_TRUE(result.location.has_value()) << result.error.value_or(QString()).toStdString();
    EXPECT_EQ(parentPath(*result.location), path("data/Trash/files")); // XDG_DATA_HOME, never the real home
    EXPECT_EQ(readBytes(path("elsewhere/Trash/files/") + fileName(*result.location)), "Día 1/clip #1 %.mp4");
    EXPECT_FALSE(QFile::exists(clip));

    const std::optional<QString> info = trashInfoFor(*result.location);
    ASSERT_EQ(info, homeTrash() + "/info/" + fileName(*result.location) + ".trashinfo");
    EXPECT_EQ(infoField(*info, "Path"), dir.path() + "/D%C3%ADa%201/clip%20%231%20%25.mp4");
    const QString date = infoField(*info, "DeletionDate");
    const QRegularExpression localToTheSecond(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    EXPECT_TRUE(localToTheSecond.match(date).hasMatch()) << date.toStdString();
    EXPECT_GE(QDateTime::fromString(date, Qt::ISODate), before);
}

// The same name twice gets two places; a missing file is a failure and leaves no entry.
TEST_F(TrashTest, SameNameTwiceGetsTwoPlacesAndMissingFileNone)
{
    const TrashResult one = moveToTrash(file("a/clip.mp4"));
    const TrashResult two = moveToTrash(file("b/clip.mp4"));
    ASSERT_TRUE(one.location && two.location);
    EXPECT_EQ(readBytes(*one.location), "a/clip.mp4");
    EXPECT_EQ(readBytes(*two.location), "b/clip.mp4");
    EXPECT_TRUE(trashInfoFor(*one.location) && trashInfoFor(*two.location));

    const QStringList before = tree(homeTrash());
    const TrashResult missing = moveToTrash(path("gone.mp4"));
    EXPECT_FALSE(missing.location || missing.error.value_or(QString()).isEmpty());
    EXPECT_EQ(tree(homeTrash()), before);
}

// No trash folder can be made: a failure, and the file stays (never a "success" that
// puts it somewhere else).
TEST_F(TrashTest, NoTrashFolderIsAFailureAndTheFileStays)
{
    const QString clip = file("clip.mp4");
    qputenv("XDG_DATA_HOME", file("not-a-folder").toUtf8());
    const TrashResult result = moveToTrash(clip);
    EXPECT_FALSE(result.location.has_value());
    EXPECT_EQ(result.error, errorText(ENOTDIR));
    EXPECT_EQ(tree(dir.path()), (QStringList{"clip.mp4", "not-a-folder"}));
}

// On a shared file system the trash must be a real folder of the user's that no one
// else can write to; a planted one is passed over. The administrator's .Trash counts
// only with the sticky bit. Each case stands on a folder of its own as the top folder.
TEST_F(TrashTest, ATopFolderTrashIsUsedOnlyWhenNoOtherUserCanReachIntoIt)
{
    const uid_t me = ::geteuid();
    const QString own = ".Trash-" + QString::number(me), shared = ".Trash/" + QString::number(me);
    enum Kind { Folder, Link, File }; // a link leads to a folder of the given mode and owner
    struct Found { QString path; mode_t mode = 0700; uid_t owner = 0; Kind kind = Folder; };
    const struct { const char *name; QList<Found> found; QString expected; } cases[] = {
        {"nothing yet", {}, own},
        {"another user's", {{own, 0700, 2000}}, {}},
        {"writable by others", {{own, 0777, me}}, {}},
        {"writable by the group", {{own, 0770, me}}, {}},
        {"a link", {{own, 0700, me, Link}}, {}},
        {"a file", {{own, 0600, me, File}}, {}},
        {"its files folder another user's", {{own, 0700, me}, {own + "/files", 0700, 2000}}, {}},
        {"its info folder a link", {{own, 0700, me}, {own + "/info", 0700, me, Link}}, {}},
        {"a shared sticky trash", {{".Trash", 01777, me}}, shared},
        {"a shared sticky trash with another user's folder", {{".Trash", 01777, me}, {shared, 0700, 2000}}, own},
        {"a shared trash without the sticky bit", {{".Trash", 0777, me}}, own},
        {"a shared trash that is a link", {{".Trash", 01777, me, Link}}, own},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString top = path(c.name);
        ASSERT_TRUE(makeDir(top));
        for (const Found &f : c.found) {
            const QString at = top + u'/' + f.path;
            const QString real = f.kind == Link ? top + "/elsewhere" : at;
            ASSERT_TRUE(f.kind == File ? writeBytes(real, "x") : makeDir(real));
            ASSERT_EQ(::chmod(native(real).constData(), f.mode), 0);
            ASSERT_EQ(::chown(native(real).constData(), f.owner, f.owner), 0);
            if (f.kind == Link)
                ASSERT_EQ(::symlink(native(real).constData(), native(at).constData()), 0);
        }
        const std::optional<QString> trash = topDirTrash(top);
        EXPECT_EQ(trash, c.expected.isEmpty() ? std::nullopt : std::optional(top + u'/' + c.expected));
        for (const QString &made : trash ? QStringList{"", "/files", "/info"} : QStringList{})
            EXPECT_EQ(modeOf(*trash + made), 0700u) << made.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("a shared trash without the sticky bit/" + shared)));
}

// A clip opened through a linked folder belongs to the file system the link leads to:
// its trash is at the top of that file system, where file managers look, and the entry
// names its place relative to that top.
TEST_F(TrashTest, AFileOnAnotherFileSystemGoesToTheTrashAtTheTopOfItsRealPath)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    if (!other.isValid() || !otherFileSystem(tempHome(), other.path()))
        GTEST_SKIP() << "no second file system";
    ASSERT_TRUE(writeBytes(other.path() + "/card/clip.mp4", "shm"));
    ASSERT_EQ(::symlink(native(other.path() + "/card").constData(), native(path("card")).constData()), 0);
    const SortOutcome outcome = trashClips({planned(path("card/clip.mp4"))});
    ASSERT_EQ(outcome.moves.size(), 1) << outcome.failed.join(u'\n').toStdString();
    const QString location = outcome.moves.first().to;
    EXPECT_TRUE(location.startsWith(QStringLiteral("/dev/shm/.Trash-%1/files/").arg(::geteuid())))
        << location.toStdString();
    // Relative to that file system's top.
    EXPECT_EQ(infoField(trashInfoFor(location).value_or(QString()), "Path"), other.path().mid(9) + "/card/clip.mp4");
    EXPECT_TRUE(undo(outcome.moves).isEmpty());
    EXPECT_EQ(readBytes(other.path() + "/card/clip.mp4"), "shm");
}

// A move that fails once the entry is written (refused, out of space, or the clip
// changed while it was copied) reports it, leaves the clip where it was and no entry.
TEST_F(TrashTest, AMoveFailingAfterItsEntryIsWrittenLeavesTheClipAndNoEntry)
{
    const struct { const char *how; MoveStep step; int err; QString line; } ways[] = {
        {"refused", MoveStep::Rename, EACCES, errorText(EACCES)},
        {"no space for the copy", MoveStep::Place, ENOSPC, errorText(ENOSPC)},
        {"changed while copied", MoveStep::Verify, 0, QStringLiteral("changed while being moved")}};
    for (const auto &w : ways) {
        SCOPED_TRACE(w.how);
        const QString clip = file(QStringLiteral("%1/clip.mp4").arg(w.how));
        setMoveFault([&](MoveStep step, const QString &from, const QString &) {
            if (step == MoveStep::Verify && !w.err)
                EXPECT_TRUE(saveNewVersion(from, "edited"));
            return step == w.step ? w.err : step == MoveStep::Rename ? EXDEV : 0;
        });
        const SortOutcome outcome = trashClips({planned(clip)});
        EXPECT_EQ(outcome.failed, QStringList{"clip.mp4: " + w.line});
        EXPECT_TRUE(outcome.moves.isEmpty());
        EXPECT_TRUE(QFile::exists(clip));
        EXPECT_EQ(tree(homeTrash()), (QStringList{"files/", "info/"}));
    }
}

// A kill during a copy into the trash leaves an entry without its file. The next copy
// into that trash removes such entries, but only those we wrote, whose file is
// missing and that no running move holds.
TEST_F(TrashTest, ACopyIntoTheTrashClearsEntriesThatInterruptedMovesLeft)
{
    SortOutcome earlier = trashClips({planned(file("lost.mp4")), planned(file("held.mp4")), planned(file("kept.mp4"))});
    ASSERT_EQ(earlier.moves.size(), 3);
    const QString info = homeTrash() + "/info/";
    ASSERT_TRUE(QFile::remove(earlier.moves[0].to) && QFile::remove(earlier.moves[1].to));
    const int running = ::open(native(info + "held.mp4.trashinfo").constData(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    // Another program's entry, as every trash writes them.
    ASSERT_TRUE(writeBytes(info + "foreign.mp4.trashinfo", "[Trash Info]\nPath=/x/foreign.mp4\nDeletionDate=2024-01-31T12:00:00\n"));

    copyEveryMove();
    ASSERT_TRUE(moveToTrash(file("new.mp4")).location.has_value());
    ::close(running);
    EXPECT_EQ(tree(info), (QStringList{"foreign.mp4.trashinfo", "held.mp4.trashinfo", "kept.mp4.trashinfo",
                                       "new.mp4.trashinfo"}));
}

} // namespace
