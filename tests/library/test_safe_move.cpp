// The move layer: never replaces, and across file systems never loses the original.

#include "TestEnv.h"
#include "library/Paths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

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

// A move across file systems copies. Each step of the copy failing in turn leaves the
// original whole and alone; the move that succeeds (to a real second file system when
// there is one) keeps bytes, mode and times, and leaves no temporary.
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
    for (const MoveStep failing : {MoveStep::CopyChunk, MoveStep::Flush, MoveStep::Place, MoveStep::Unlink}) {
        SCOPED_TRACE(int(failing));
        int chunks = 0;
        setMoveFault([&](MoveStep step, const QString &, const QString &) {
            if (step == MoveStep::Rename)
                return real ? 0 : EXDEV;
            if (step == MoveStep::CopyChunk && failing == MoveStep::CopyChunk)
                return ++chunks == 2 ? EIO : 0; // after one chunk was written
            return step == failing ? ENOSPC : 0;
        });
        EXPECT_TRUE(moveFile(a, target).has_value());
        EXPECT_EQ(readBytes(a), before);
        EXPECT_EQ(tree(parentPath(target)), QStringList{});
    }
    setMoveFault([&](MoveStep step, const QString &, const QString &) { return step == MoveStep::Rename && !real ? EXDEV : 0; });
    EXPECT_FALSE(moveFile(a, target).has_value());
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readBytes(target), before);
    EXPECT_EQ(QFileInfo(target).lastModified(), stamp);
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(tree(parentPath(target)), QStringList{"a.mp4"});
}

} // namespace
