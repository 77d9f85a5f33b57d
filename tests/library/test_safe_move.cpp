// The move layer: never replaces, and across file systems never loses the original.

#include "TestEnv.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class SafeMoveTest : public FileTest {
protected:
    // Larger than one copy chunk, so a copy takes several.
    QString bigFile(const QString &relative)
    {
        QByteArray bytes(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 31 + i / 4096);
        EXPECT_TRUE(writeBytes(path(relative), bytes));
        return path(relative);
    }
};

TEST_F(SafeMoveTest, MovesToAFreeNameAndRefusesATakenOne)
{
    const QString a = file("a.mp4");
    file("b.mp4");
    makeDir(path("sub"));
    // A file or a folder in the way, or no source: an error, and nothing changes.
    const struct { QString from, to; int error; } refused[] = {
        {a, path("b.mp4"), EEXIST}, {a, path("sub"), EEXIST}, {path("gone.mp4"), path("sub/gone.mp4"), ENOENT}};
    for (const auto &row : refused) {
        SCOPED_TRACE(row.to.toStdString());
        EXPECT_EQ(moveFile(row.from, row.to), errorText(row.error));
    }
    EXPECT_EQ(tree(dir.path()), (QStringList{"a.mp4", "b.mp4", "sub/"}));
    EXPECT_EQ(readBytes(path("b.mp4")), "b.mp4");

    EXPECT_FALSE(moveFile(a, path("sub/a.mp4")).has_value());
    EXPECT_EQ(tree(dir.path()), (QStringList{"b.mp4", "sub/", "sub/a.mp4"}));
    EXPECT_EQ(readBytes(path("sub/a.mp4")), "a.mp4");
}

// File systems that refuse RENAME_NOREPLACE (EINVAL), and then hard links (EPERM).
TEST_F(SafeMoveTest, FallbacksNeverReplaceEither)
{
    for (const int linkAnswer : {0, EPERM}) {
        SCOPED_TRACE(linkAnswer);
        setMoveFault([&](MoveStep step, const QString &, const QString &) {
            return step == MoveStep::Rename ? EINVAL : step == MoveStep::Link ? linkAnswer : 0;
        });
        const QString n = QString::number(linkAnswer);
        const QString a = file("a" + n), b = file("b" + n), c = path("c" + n);
        EXPECT_EQ(moveFile(a, b), errorText(EEXIST));
        EXPECT_EQ(readBytes(b), ("b" + n).toUtf8());
        EXPECT_FALSE(moveFile(a, c).has_value());
        EXPECT_FALSE(QFile::exists(a));
        EXPECT_EQ(readBytes(c), ("a" + n).toUtf8());
    }
}

// A file that appears at the target just before the rename, or while a copy across
// file systems runs, is never replaced.
TEST_F(SafeMoveTest, AFileAppearingAtTheTargetIsNotReplaced)
{
    for (const bool acrossFileSystems : {false, true}) {
        SCOPED_TRACE(acrossFileSystems);
        const QString a = bigFile(QStringLiteral("a%1.mp4").arg(acrossFileSystems));
        const QString target = path(QStringLiteral("target%1.mp4").arg(acrossFileSystems));
        setMoveFault([&](MoveStep step, const QString &, const QString &to) {
            if (step == (acrossFileSystems ? MoveStep::Place : MoveStep::Rename))
                writeBytes(to, "newcomer");
            return step == MoveStep::Rename && acrossFileSystems ? EXDEV : 0;
        });
        EXPECT_TRUE(moveFile(a, target).has_value());
        EXPECT_EQ(readBytes(target), "newcomer");
        EXPECT_EQ(readBytes(a).size(), 3 * 1024 * 1024 + 17);
    }
    EXPECT_EQ(tree(dir.path()).size(), 4); // no temporary left
}

TEST_F(SafeMoveTest, CopyAcrossFileSystemsKeepsBytesModeAndTimes)
{
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0640), 0);
    const QDateTime stamp = QDateTime::fromString(QStringLiteral("2023-05-06T07:08:09"), Qt::ISODate);
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    setMoveFault([](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename ? EXDEV : 0; });
    makeDir(path("out"));
    EXPECT_FALSE(moveFile(a, path("out/a.mp4")).has_value());
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readBytes(path("out/a.mp4")), before);
    const QFileInfo moved(path("out/a.mp4"));
    EXPECT_EQ(moved.lastModified(), stamp);
    EXPECT_EQ(moved.permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(tree(path("out")), QStringList{"a.mp4"}); // no temporary left
}

// Each step of the copy failing in turn: the original stays whole and alone.
TEST_F(SafeMoveTest, AFailedCopyLeavesTheOriginalAndNothingElse)
{
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    makeDir(path("out"));
    for (const MoveStep failing : {MoveStep::CopyChunk, MoveStep::Flush, MoveStep::Place, MoveStep::Unlink}) {
        SCOPED_TRACE(int(failing));
        int chunks = 0;
        setMoveFault([&](MoveStep step, const QString &, const QString &) {
            if (step == MoveStep::Rename)
                return EXDEV;
            if (step == MoveStep::CopyChunk && failing == MoveStep::CopyChunk)
                return ++chunks == 2 ? EIO : 0; // after one chunk was written
            return step == failing ? ENOSPC : 0;
        });
        EXPECT_TRUE(moveFile(a, path("out/a.mp4")).has_value());
        EXPECT_EQ(readBytes(a), before);
        EXPECT_EQ(tree(path("out")), QStringList{});
    }
}

TEST_F(SafeMoveTest, RealMoveToAnotherFileSystem)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    if (!other.isValid() || !otherFileSystem(dir.path(), other.path()))
        GTEST_SKIP() << "no second file system";
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    const QString target = other.path() + QStringLiteral("/a.mp4");
    EXPECT_FALSE(moveFile(a, target).has_value());
    EXPECT_EQ(readBytes(target), before);
    EXPECT_FALSE(QFile::exists(a));
}

} // namespace
