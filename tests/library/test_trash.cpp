// The freedesktop.org trash as we write it.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/SafeMove.h"
#include "library/Trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

using TrashTest = FileTest;

QMap<QString, QString> infoFields(const QString &infoFile)
{
    QMap<QString, QString> fields;
    const QList<QByteArray> lines = readBytes(infoFile).split('\n');
    EXPECT_EQ(lines.value(0), "[Trash Info]");
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            fields.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return fields;
}

TEST_F(TrashTest, HomeTrashFollowsXdgDataHome)
{
    EXPECT_EQ(homeTrash(), tempHome() + QStringLiteral("/data/Trash"));
}

TEST_F(TrashTest, TrashedFileGetsItsEntryWithEncodedPathAndDate)
{
    const QString clip = file(QStringLiteral("Día 1/clip #1 %.mp4"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const TrashResult result = moveToTrash(clip);
    ASSERT_FALSE(result.error.has_value()) << result.error->toStdString();
    ASSERT_TRUE(result.location.has_value());
    EXPECT_EQ(parentPath(*result.location), homeTrash() + QStringLiteral("/files"));
    EXPECT_EQ(readBytes(*result.location), "Día 1/clip #1 %.mp4");
    EXPECT_FALSE(QFile::exists(clip));

    const std::optional<QString> info = trashInfoFor(*result.location);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(*info, homeTrash() + QStringLiteral("/info/") + fileName(*result.location) + QStringLiteral(".trashinfo"));
    const auto fields = infoFields(*info);
    EXPECT_EQ(fields.value(QStringLiteral("Path")),
              QString::fromLatin1(QUrl::toPercentEncoding(clip, "/")));
    EXPECT_TRUE(fields.value(QStringLiteral("Path")).contains(QStringLiteral("D%C3%ADa%201/clip%20%231%20%25.mp4")));
    const QDateTime deleted = QDateTime::fromString(fields.value(QStringLiteral("DeletionDate")), Qt::ISODate);
    EXPECT_TRUE(deleted.isValid());
    EXPECT_GE(deleted, before);
}

TEST_F(TrashTest, SameNameTwiceGetsTwoPlaces)
{
    const QString first = file("a/clip.mp4");
    const QString second = file("b/clip.mp4");
    const TrashResult one = moveToTrash(first);
    const TrashResult two = moveToTrash(second);
    ASSERT_TRUE(one.location && two.location);
    EXPECT_NE(*one.location, *two.location);
    EXPECT_EQ(readBytes(*one.location), "a/clip.mp4");
    EXPECT_EQ(readBytes(*two.location), "b/clip.mp4");
    EXPECT_TRUE(trashInfoFor(*one.location) && trashInfoFor(*two.location));
}

TEST_F(TrashTest, MissingFileIsAFailureAndLeavesNoEntry)
{
    const QStringList before = tree(homeTrash());
    const TrashResult result = moveToTrash(path("gone.mp4"));
    EXPECT_FALSE(result.location.has_value());
    ASSERT_TRUE(result.error.has_value());
    EXPECT_FALSE(result.error->isEmpty());
    EXPECT_EQ(tree(homeTrash()), before);
    EXPECT_FALSE(trashInfoFor(path("gone.mp4")).has_value()); // not inside a trash
}

// No trash folder can be made: a failure, and the file stays (never a "success" that
// puts it somewhere else).
TEST_F(TrashTest, NoTrashFolderIsAFailureAndTheFileStays)
{
    const QString clip = file("clip.mp4");
    const QString blocker = file("not-a-folder");
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", blocker.toUtf8());
    const TrashResult result = moveToTrash(clip);
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_FALSE(result.location.has_value());
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(*result.error, errorText(ENOTDIR));
    EXPECT_EQ(readBytes(clip), "clip.mp4");
    EXPECT_EQ(tree(dir.path()), (QStringList{"clip.mp4", "not-a-folder"}));
}

TEST_F(TrashTest, FileOnAnotherFileSystemGoesToThatFileSystemsTrash)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/vidorra-test-XXXXXX"));
    struct stat home, there;
    if (!other.isValid() || ::stat(QFile::encodeName(tempHome()).constData(), &home) != 0
        || ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 || home.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system";
    const QString clip = other.path() + QStringLiteral("/clip.mp4");
    ASSERT_TRUE(writeBytes(clip, "shm"));
    const TrashResult result = moveToTrash(clip);
    ASSERT_TRUE(result.location.has_value()) << result.error.value_or(QString()).toStdString();
    const QString trash = QStringLiteral("/dev/shm/.Trash-%1").arg(::getuid());
    EXPECT_TRUE(result.location->startsWith(trash + QStringLiteral("/files/")));
    const auto info = trashInfoFor(*result.location);
    ASSERT_TRUE(info.has_value());
    // Relative to the top folder of that file system.
    EXPECT_EQ(infoFields(*info).value(QStringLiteral("Path")),
              QString::fromLatin1(QUrl::toPercentEncoding(clip.mid(QStringLiteral("/dev/shm/").size()), "/")));
    QFile::remove(*result.location);
    QFile::remove(*info);
}

} // namespace
