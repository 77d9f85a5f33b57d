// The freedesktop.org trash as we write it.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/Trash.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

using TrashTest = FileTest;

// The value of `key` in a .trashinfo file that starts with its group line.
QString infoField(const QString &infoFile, const QByteArray &key)
{
    const QByteArray text = readBytes(infoFile);
    EXPECT_TRUE(text.startsWith("[Trash Info]\n"));
    const qsizetype at = text.indexOf('\n' + key + '=');
    return at < 0 ? QString() : QString::fromUtf8(text.mid(at + key.size() + 2).split('\n').first());
}

TEST_F(TrashTest, TrashedFileGetsItsEntryWithEncodedPathAndDate)
{
    const QString clip = file(QStringLiteral("Día 1/clip #1 %.mp4"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const TrashResult result = moveToTrash(clip);
    ASSERT_TRUE(result.location.has_value()) << result.error.value_or(QString()).toStdString();
    EXPECT_EQ(parentPath(*result.location), tempHome() + "/data/Trash/files"); // XDG_DATA_HOME, never the real home
    EXPECT_EQ(readBytes(*result.location), "Día 1/clip #1 %.mp4");
    EXPECT_FALSE(QFile::exists(clip));

    const std::optional<QString> info = trashInfoFor(*result.location);
    ASSERT_EQ(info, homeTrash() + "/info/" + fileName(*result.location) + ".trashinfo");
    EXPECT_EQ(infoField(*info, "Path"), dir.path() + "/D%C3%ADa%201/clip%20%231%20%25.mp4");
    EXPECT_GE(QDateTime::fromString(infoField(*info, "DeletionDate"), Qt::ISODate), before);
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
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", file("not-a-folder").toUtf8());
    const TrashResult result = moveToTrash(clip);
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_FALSE(result.location.has_value());
    EXPECT_EQ(result.error, errorText(ENOTDIR));
    EXPECT_EQ(tree(dir.path()), (QStringList{"clip.mp4", "not-a-folder"}));
}

TEST_F(TrashTest, FileOnAnotherFileSystemGoesToThatFileSystemsTrash)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    if (!other.isValid() || !otherFileSystem(tempHome(), other.path()))
        GTEST_SKIP() << "no second file system";
    const QString clip = other.path() + "/clip.mp4";
    ASSERT_TRUE(writeBytes(clip, "shm"));
    const TrashResult result = moveToTrash(clip);
    ASSERT_TRUE(result.location.has_value()) << result.error.value_or(QString()).toStdString();
    EXPECT_TRUE(result.location->startsWith(QStringLiteral("/dev/shm/.Trash-%1/files/").arg(::getuid())));
    const QString info = trashInfoFor(*result.location).value_or(QString());
    QFile::remove(*result.location);
    EXPECT_EQ(infoField(info, "Path"), other.path().mid(9) + "/clip.mp4"); // relative to that file system's top
    QFile::remove(info);
}

} // namespace
