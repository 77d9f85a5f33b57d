// The move layer: never replaces, and across file systems never loses the original.

#include "TestEnv.h"
#include "library/SafeMove.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class SafeMoveTest : public FileTest {
protected:
    void TearDown() override { setMoveFault({}); }

    // A file larger than one copy chunk, so a copy takes several.
    QString bigFile(const QString &relative)
    {
        QByteArray bytes(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 31 + i / 4096);
        const QString p = path(relative);
        EXPECT_TRUE(writeBytes(p, bytes));
        return p;
    }
};

TEST_F(SafeMoveTest, MovesToAFreeNameAndRefusesATakenOne)
{
    const QString a = file("a.mp4");
    const QString b = file("b.mp4");
    EXPECT_TRUE(makeDir(path("sub")));

    const auto refused = moveFile(a, b);
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(*refused, errorText(EEXIST));
    EXPECT_EQ(readBytes(a), "a.mp4");
    EXPECT_EQ(readBytes(b), "b.mp4");

    // A folder in the way counts as taken too.
    const QString c = file("c.mp4");
    EXPECT_TRUE(moveFile(c, path("sub")).has_value());
    EXPECT_EQ(readBytes(c), "c.mp4");

    EXPECT_FALSE(moveFile(a, path("sub/a.mp4")).has_value());
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readBytes(path("sub/a.mp4")), "a.mp4");

    const auto missing = moveFile(path("gone.mp4"), path("sub/gone.mp4"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(*missing, errorText(ENOENT));
}

// File systems that refuse RENAME_NOREPLACE (EINVAL), and then hard links (EPERM).
TEST_F(SafeMoveTest, FallbacksNeverReplaceEither)
{
    for (const int linkAnswer : {0, EPERM}) {
        SCOPED_TRACE(linkAnswer);
        setMoveFault([&](MoveStep step, const QString &, const QString &) {
            return step == MoveStep::Rename ? EINVAL : step == MoveStep::Link ? linkAnswer : 0;
        });
        const QString a = file(QStringLiteral("a%1.mp4").arg(linkAnswer));
        const QString b = file(QStringLiteral("b%1.mp4").arg(linkAnswer));
        const auto refused = moveFile(a, b);
        ASSERT_TRUE(refused.has_value());
        EXPECT_EQ(*refused, errorText(EEXIST));
        EXPECT_EQ(readBytes(b), QStringLiteral("b%1.mp4").arg(linkAnswer).toUtf8());
        const QString c = path(QStringLiteral("c%1.mp4").arg(linkAnswer));
        EXPECT_FALSE(moveFile(a, c).has_value());
        EXPECT_FALSE(QFile::exists(a));
        EXPECT_EQ(readBytes(c), QStringLiteral("a%1.mp4").arg(linkAnswer).toUtf8());
    }
}

TEST_F(SafeMoveTest, AFileAppearingJustBeforeTheMoveIsNotReplaced)
{
    const QString a = file("a.mp4");
    const QString target = path("target.mp4");
    setMoveFault([&](MoveStep step, const QString &, const QString &to) {
        if (step == MoveStep::Rename)
            writeBytes(to, "newcomer");
        return 0;
    });
    EXPECT_TRUE(moveFile(a, target).has_value());
    EXPECT_EQ(readBytes(target), "newcomer");
    EXPECT_EQ(readBytes(a), "a.mp4");
}

TEST_F(SafeMoveTest, CopyAcrossFileSystemsKeepsBytesModeAndTimes)
{
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0640), 0);
    const QDateTime stamp = QDateTime::fromString(QStringLiteral("2023-05-06T07:08:09"), Qt::ISODate);
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    setMoveFault([](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename ? EXDEV : 0; });
    EXPECT_TRUE(makeDir(path("out")));
    EXPECT_FALSE(moveFile(a, path("out/a.mp4")).has_value());
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readBytes(path("out/a.mp4")), before);
    const QFileInfo moved(path("out/a.mp4"));
    EXPECT_EQ(moved.lastModified(), stamp);
    EXPECT_EQ(moved.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(tree(path("out")), QStringList{QStringLiteral("a.mp4")}); // no temporary left
}

// Each step of the copy failing in turn: the original stays whole and alone.
TEST_F(SafeMoveTest, AFailedCopyLeavesTheOriginalAndNothingElse)
{
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    EXPECT_TRUE(makeDir(path("out")));
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
        const auto failure = moveFile(a, path("out/a.mp4"));
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(readBytes(a), before);
        EXPECT_TRUE(tree(path("out")).isEmpty()) << tree(path("out")).join(u' ').toStdString();
    }
}

TEST_F(SafeMoveTest, ACopyNeverReplacesAFileThatAppearedDuringIt)
{
    const QString a = bigFile("a.mp4");
    const QString target = path("a-target.mp4");
    setMoveFault([&](MoveStep step, const QString &, const QString &to) {
        if (step == MoveStep::Rename)
            return EXDEV;
        if (step == MoveStep::Place)
            writeBytes(to, "newcomer");
        return 0;
    });
    ASSERT_TRUE(moveFile(a, target).has_value());
    EXPECT_EQ(readBytes(target), "newcomer");
    EXPECT_EQ(readBytes(a).size(), 3 * 1024 * 1024 + 17);
    EXPECT_EQ(tree(dir.path()), (QStringList{QStringLiteral("a-target.mp4"), QStringLiteral("a.mp4")}));
}

TEST_F(SafeMoveTest, RealMoveToAnotherFileSystem)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    struct stat here, there;
    if (!other.isValid() || ::stat(QFile::encodeName(dir.path()).constData(), &here) != 0
        || ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system";
    const QString a = bigFile("a.mp4");
    const QByteArray before = readBytes(a);
    const QString target = other.path() + QStringLiteral("/a.mp4");
    EXPECT_FALSE(moveFile(a, target).has_value());
    EXPECT_EQ(readBytes(target), before);
    EXPECT_FALSE(QFile::exists(a));
    // And back again, refusing a taken name on the way.
    const QString taken = file("a.mp4");
    EXPECT_TRUE(moveFile(target, taken).has_value());
    EXPECT_EQ(readBytes(taken), "a.mp4");
    EXPECT_EQ(readBytes(target), before);
}

TEST_F(SafeMoveTest, MakeFoldersCreatesIntermediatesAndReportsAFileInTheWay)
{
    EXPECT_FALSE(makeFolders(path("x/y/z")).has_value());
    EXPECT_TRUE(QFileInfo(path("x/y/z")).isDir());
    EXPECT_FALSE(makeFolders(path("x/y/z")).has_value()); // existing is no error
    file("blocker");
    const auto failure = makeFolders(path("blocker/inner"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, errorText(ENOTDIR));
    EXPECT_FALSE(errorText(ENOENT).isEmpty());
}

} // namespace
