// The move layer: never replaces, and across file systems never loses the original.

#include "TestEnv.h"
#include "library/Paths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

// Larger than one copy chunk, so a copy takes several.
constexpr qsizetype kBigSize = 3 * 1024 * 1024 + 17;

class SafeMoveTest : public FileTest {
protected:
    QString bigFile(const QString &relative)
    {
        QByteArray bytes(kBigSize, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 31 + i / 4096);
        EXPECT_TRUE(writeBytes(path(relative), bytes));
        return path(relative);
    }
};

// Every way a move can take: the no-replace rename, a hard link where that is refused
// (EINVAL), a placeholder where links are too (EPERM), and a copy across file systems
// (EXDEV). Each refuses a taken name, even one taken just before its last step.
TEST_F(SafeMoveTest, NoWayReplacesAnExistingFile)
{
    const struct { const char *way; int rename, link; MoveStep last; } ways[] = {
        {"rename", 0, 0, MoveStep::Rename}, {"link", EINVAL, 0, MoveStep::Link},
        {"placeholder", EINVAL, EPERM, MoveStep::Link}, {"copy", EXDEV, 0, MoveStep::Place}};
    for (const auto &w : ways) {
        SCOPED_TRACE(w.way);
        const QString way = QString::fromLatin1(w.way);
        bool racing = false;
        setMoveFault([&](MoveStep step, const QString &, const QString &to) {
            if (racing && step == w.last)
                writeBytes(to, "newcomer");
            return step == MoveStep::Rename ? w.rename : step == MoveStep::Link ? w.link : 0;
        });
        const QString a = bigFile(way + "/a.mp4");
        const QString taken = file(way + "/taken.mp4");
        EXPECT_EQ(moveFile(a, taken), errorText(EEXIST));
        racing = true;
        EXPECT_TRUE(moveFile(a, path(way + "/late.mp4")).has_value());
        racing = false;
        EXPECT_FALSE(moveFile(a, path(way + "/moved.mp4")).has_value());
        EXPECT_EQ(tree(path(way)), (QStringList{"late.mp4", "moved.mp4", "taken.mp4"}));
        EXPECT_EQ(readBytes(taken), (way + "/taken.mp4").toUtf8());
        EXPECT_EQ(readBytes(path(way + "/late.mp4")), "newcomer");
        EXPECT_EQ(readBytes(path(way + "/moved.mp4")).size(), kBigSize);
    }
}

TEST_F(SafeMoveTest, AFolderInTheWayOrAMissingSourceIsAnError)
{
    const QString a = file("a.mp4");
    makeDir(path("sub"));
    EXPECT_EQ(moveFile(a, path("sub")), errorText(EEXIST));
    EXPECT_EQ(moveFile(path("gone.mp4"), path("sub/gone.mp4")), errorText(ENOENT));
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.mp4", "sub/"}));
}

// A move across file systems copies. Each step of the copy failing in turn, the flush
// and the folder's sync also after their real call, leaves the original whole and
// alone; the move that succeeds (to a real second file system when there is one)
// flushes the copy, puts it in place and syncs its folder before it removes the
// original, and keeps bytes, mode and times.
TEST_F(SafeMoveTest, CopyAcrossFileSystemsFailsCleanlyOrKeepsEverything)
{
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0640), 0);
    const QDateTime stamp = QDateTime::fromString(QStringLiteral("2023-05-06T07:08:09"), Qt::ISODate);
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    const bool real = other.isValid() && otherFileSystem(dir.path(), other.path());
    const QString target = (real ? other.path() : path("out")) + "/a.mp4";
    makeDir(parentPath(target));
    const struct { MoveStep step; bool afterCall; } failing[] = {
        {MoveStep::CopyChunk, false}, {MoveStep::Flush, false}, {MoveStep::Flush, true}, {MoveStep::Place, false},
        {MoveStep::SyncFolder, true}, {MoveStep::Verify, false}, {MoveStep::Unlink, false}};
    for (const auto &f : failing) {
        SCOPED_TRACE(::testing::Message() << int(f.step) << (f.afterCall ? " after its call" : ""));
        int chunks = 0;
        setMoveFault([&](MoveStep step, const QString &, const QString &) {
            if (step == MoveStep::Rename)
                return real ? 0 : EXDEV;
            if (step == MoveStep::CopyChunk && f.step == MoveStep::CopyChunk)
                return ++chunks == 2 ? EIO : 0; // after one chunk was written
            return step == f.step && !f.afterCall ? ENOSPC : 0;
        });
        setMoveWatch([&](MoveStep step, int result) { return step == f.step && f.afterCall ? EIO : result; });
        EXPECT_TRUE(moveFile(a, target).has_value());
        EXPECT_EQ(readBytes(a), before);
        EXPECT_EQ(tree(parentPath(target)), QStringList{});
    }
    QStringList steps; // in the order they happen; the watched ones with their result
    setMoveFault([&](MoveStep step, const QString &, const QString &) {
        if (step != MoveStep::CopyChunk)
            steps << QString::number(int(step));
        return step == MoveStep::Rename && !real ? EXDEV : 0;
    });
    setMoveWatch([&](MoveStep step, int result) {
        steps << QStringLiteral("%1=%2").arg(int(step)).arg(result);
        return result;
    });
    EXPECT_FALSE(moveFile(a, target).has_value());
    const auto at = [](MoveStep step) { return QString::number(int(step)); };
    EXPECT_EQ(steps, (QStringList{at(MoveStep::Rename), at(MoveStep::Flush), at(MoveStep::Flush) + "=0",
                                  at(MoveStep::Place), at(MoveStep::SyncFolder) + "=0", at(MoveStep::Verify),
                                  at(MoveStep::Unlink)}));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readBytes(target), before);
    EXPECT_EQ(QFileInfo(target).lastModified(), stamp);
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(tree(parentPath(target)), QStringList{"a.mp4"});
}

// Editors and sync tools replace a file by renaming a new one over it, or write into it.
// Whatever changed the source while it was copied, the copy goes and the source stays
// as it now is; a source gone meanwhile leaves the copy as the only one.
TEST_F(SafeMoveTest, ASourceChangedWhileCopiedStaysAndOneGoneLeavesTheCopy)
{
    const auto replace = [](const QString &p) { return saveNewVersion(p, "new version"); };
    const auto append = [](const QString &p) { QFile f(p); return f.open(QIODevice::Append) && f.write("more"); };
    const auto rewrite = [](const QString &p) { QFile f(p); return f.open(QIODevice::ReadWrite) && f.write("X"); };
    const auto remove = [](const QString &p) { return QFile::remove(p); };
    using Change = std::function<bool(const QString &)>;
    const struct { const char *how; MoveStep at; Change change; bool moves; } changes[] = {
        {"replaced", MoveStep::Verify, replace, false},
        {"appended", MoveStep::Verify, append, false},
        {"appended while copying", MoveStep::CopyChunk, append, false},
        {"rewritten in place", MoveStep::Verify, rewrite, false},
        {"deleted before the check", MoveStep::Verify, remove, true},
        {"deleted before the removal", MoveStep::Unlink, remove, true}};
    for (const auto &c : changes) {
        SCOPED_TRACE(c.how);
        const QString a = bigFile(QStringLiteral("%1/a.mp4").arg(c.how));
        const QByteArray before = readBytes(a);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1); // a change gets a new time
        {
            QFile f(a);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        const QString target = path(QStringLiteral("%1/out/a.mp4").arg(c.how));
        makeDir(parentPath(target));
        int calls = 0;
        setMoveFault([&](MoveStep step, const QString &from, const QString &) {
            if (step == c.at && ++calls == 2 - (step != MoveStep::CopyChunk))
                EXPECT_TRUE(c.change(from));
            return step == MoveStep::Rename ? EXDEV : 0;
        });
        const std::optional<QString> failure = moveFile(a, target);
        if (c.moves) {
            EXPECT_EQ(failure, std::nullopt);
            EXPECT_EQ(readBytes(target), before);
            EXPECT_EQ(tree(parentPath(target)), QStringList{"a.mp4"});
        } else {
            EXPECT_EQ(failure, QStringLiteral("changed while being moved"));
            EXPECT_NE(readBytes(a), before);
            EXPECT_EQ(tree(parentPath(target)), QStringList{});
        }
    }
}

// A kill during a copy leaves its hidden partial copy. The next copy into that folder
// removes such leftovers of ours, and nothing else: not a partial copy a running move
// holds, nor another user's, a link, or any name we do not write.
TEST_F(SafeMoveTest, ACopyFirstClearsPartialCopiesThatInterruptedMovesLeft)
{
    const QString out = path("out");
    const QStringList planted{".vidorra-00000000000000aa.part", ".vidorra-00000000000000bb.part",
                              ".vidorra-00000000000000cc.part", ".vidorra-00000000000000AA.part",
                              ".vidorra-000000000000000.part", ".vidorra-notours.part", "notes.part"};
    for (const QString &name : planted)
        ASSERT_TRUE(writeBytes(out + u'/' + name, "partial"));
    ASSERT_EQ(::chown(QFile::encodeName(out + "/.vidorra-00000000000000cc.part").constData(), 2000, 2000), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(file("target.txt")).constData(),
                        QFile::encodeName(out + "/.vidorra-00000000000000dd.part").constData()), 0);
    const int running = ::open(QFile::encodeName(out + "/.vidorra-00000000000000bb.part").constData(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);

    copyEveryMove();
    EXPECT_EQ(moveFile(file("a.mp4"), out + "/a.mp4"), std::nullopt);
    ::close(running);
    QStringList expected = planted.mid(1) << "a.mp4" << ".vidorra-00000000000000dd.part";
    expected.sort();
    EXPECT_EQ(tree(out), expected);
}

} // namespace
