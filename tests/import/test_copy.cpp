// A full import and imports of the same card again: what lands where, what is listed,
// what is skipped, and that the card is only read.
#include "ImportTestEnv.h"

#include <QFileInfo>
#include <QProcess>

namespace vidorra::testing {
namespace {

class Copy : public ImportTest {
protected:
    void SetUp() override
    {
        // One clip spans several of the copy's blocks and ends inside one.
        big = clip(QStringLiteral("DJI_20240131101500_0001_D.MP4"), (qint64(8) << 20) * 2 + 12345, 1);
        clip(QStringLiteral("DJI_20240131101500_0001_D.LRF"), 300000, 2);
        clip(QStringLiteral("DJI_20240131101500_0001_D.SRT"), 5000, 3);
        clip(QStringLiteral("DJI_20240131113000_0002_D.MOV"), 0, 4); // an empty clip copies too
        file(QStringLiteral("card/DCIM/101MEDIA/DJI_20240131120000_0003_D.mp4"));
        file(QStringLiteral("card/DCIM/100MEDIA/.hidden.MP4"));
        file(QStringLiteral("card/DCIM/100MEDIA/notes.txt"));
        file(QStringLiteral("card/MISC/THM/x.MP4")); // outside DCIM
    }
    QString big;
};

TEST_F(Copy, EveryClipWithItsCompanionsLandsVerifiedAndListed)
{
    const QStringList cardBefore = tree(card());
    const QDateTime bigTime = QFileInfo(big).lastModified();
    const QString bigSum = sha(big);

    const ImportPlan p = plan();
    EXPECT_EQ(p.clips, 3);
    EXPECT_EQ(p.files.size(), 5);
    const ImportOutcome out = import(p);
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(out.clipsCopied, 3);
    EXPECT_EQ(out.filesCopied, 5);
    EXPECT_EQ(out.bytesCopied, p.bytes);
    EXPECT_FALSE(out.cancelled);

    const QString root = library() + QStringLiteral("/2024-01-31 Pocket");
    EXPECT_EQ(tree(root), (QStringList{
        "DCIM/", "DCIM/100MEDIA/", "DCIM/100MEDIA/DJI_20240131101500_0001_D.LRF",
        "DCIM/100MEDIA/DJI_20240131101500_0001_D.MP4", "DCIM/100MEDIA/DJI_20240131101500_0001_D.SRT",
        "DCIM/100MEDIA/DJI_20240131113000_0002_D.MOV", "DCIM/101MEDIA/",
        "DCIM/101MEDIA/DJI_20240131120000_0003_D.mp4", "checksums.xxh128"}));
    for (const ImportFile &f : p.files)
        EXPECT_EQ(readBytes(root + u'/' + f.relative), readBytes(f.source)) << f.relative.toStdString();

    // The checksum file lists every file with the card's checksum.
    const ManifestRead read = readManifest(root + QStringLiteral("/checksums.xxh128"));
    ASSERT_EQ(read.entries.size(), 5);
    EXPECT_TRUE(read.badLines.isEmpty());
    for (const ManifestEntry &e : read.entries)
        EXPECT_EQ(e.digest.hex(), sha(card() + u'/' + e.path)) << e.path.toStdString();
    EXPECT_TRUE(verifyFolder(root).problems.isEmpty());

    // The card is as it was.
    EXPECT_EQ(tree(card()), cardBefore);
    EXPECT_EQ(QFileInfo(big).lastModified(), bigTime);
    EXPECT_EQ(sha(big), bigSum);
}

TEST_F(Copy, OtherToolsCheckTheChecksumFile)
{
    ASSERT_TRUE(import().failed.isEmpty());
    if (QStandardPaths::findExecutable(QStringLiteral("xxhsum")).isEmpty())
        GTEST_SKIP() << "xxhsum is not installed";
    QProcess check;
    check.setWorkingDirectory(library() + QStringLiteral("/2024-01-31 Pocket"));
    check.start(QStringLiteral("xxhsum"), {"-c", "--strict", "checksums.xxh128"});
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    EXPECT_EQ(QString::fromUtf8(check.readAllStandardOutput()).count(QStringLiteral(": OK")), 5);
}

TEST_F(Copy, ImportingAgainSkipsWhatEarlierImportsHold)
{
    ASSERT_TRUE(import().failed.isEmpty());
    // A new clip since, and the earlier import sorted by hand: its clip moved away.
    clip(QStringLiteral("DJI_20240201090000_0004_D.MP4"), 70000, 5);
    const QString sorted = library() + QStringLiteral("/2024-01-31 Pocket/DCIM/100MEDIA/D-Log/4K 30p");
    ASSERT_TRUE(QDir().mkpath(sorted));
    ASSERT_TRUE(QFile::rename(imported("DCIM/100MEDIA/DJI_20240131101500_0001_D.MP4"),
                              sorted + QStringLiteral("/DJI_20240131101500_0001_D.MP4")));

    const ImportPlan again = plan(QStringLiteral("2024-01-31 – 2024-02-01 Pocket"));
    const ImportOutcome out = import(again);
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(out.clipsCopied, 1);
    EXPECT_EQ(out.filesCopied, 1);
    EXPECT_EQ(out.clipsSkipped, 3);
    EXPECT_EQ(out.filesSkipped, 5);
    EXPECT_EQ(tree(library() + QStringLiteral("/2024-01-31 – 2024-02-01 Pocket")),
              (QStringList{"DCIM/", "DCIM/100MEDIA/", "DCIM/100MEDIA/DJI_20240201090000_0004_D.MP4",
                           "checksums.xxh128"}));
    // The sorted earlier import still checks out against its own list.
    EXPECT_TRUE(verifyFolder(library() + QStringLiteral("/2024-01-31 Pocket")).problems.isEmpty());
}

TEST_F(Copy, ACardImportedBeforeLeavesNoEmptyFolder)
{
    ASSERT_TRUE(import().failed.isEmpty());
    const ImportOutcome out = import(plan(QStringLiteral("2024-01-31 Pocket 2")));
    EXPECT_EQ(out.filesCopied, 0);
    EXPECT_EQ(out.filesSkipped, 5);
    EXPECT_FALSE(existsAt(library() + QStringLiteral("/2024-01-31 Pocket 2")));
}

TEST_F(Copy, AddingToTheSameFolderSkipsIdenticalFilesAndNeverReplacesOthers)
{
    ASSERT_TRUE(import().failed.isEmpty());
    // A file lost from the list (an import stopped by a power cut) and one that differs.
    const QString manifest = imported("checksums.xxh128");
    QFile::remove(manifest);
    QFile::remove(imported("DCIM/100MEDIA/DJI_20240131101500_0001_D.SRT"));
    ASSERT_TRUE(writeBytes(imported("DCIM/100MEDIA/DJI_20240131101500_0001_D.SRT"), "someone else's"));

    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"DJI_20240131101500_0001_D.SRT: already exists at destination"});
    EXPECT_EQ(out.filesSkipped, 4);
    EXPECT_EQ(readBytes(imported("DCIM/100MEDIA/DJI_20240131101500_0001_D.SRT")), "someone else's");
    // The identical files found in place are listed again.
    EXPECT_EQ(readManifest(manifest).entries.size(), 4);
}

TEST_F(Copy, OntoASmallMountedFileSystem)
{
    TestMount mount;
    if (!mount.tmpfs(library(), 64 * 1024))
        GTEST_SKIP() << "mounting a tmpfs is refused here";
    const ImportOutcome out = import();
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(out.filesCopied, 5);
    EXPECT_TRUE(verifyFolder(library() + QStringLiteral("/2024-01-31 Pocket")).problems.isEmpty());
    EXPECT_TRUE(hiddenEntries(library()).isEmpty());
}

TEST(ImportPlanning, FolderNamesFollowTheDaysTheClipsWereShot)
{
    auto clipFile = [](const QString &name) { return ImportFile{"/card/DCIM/100MEDIA/" + name, name, 1, true}; };
    const QDate today(2024, 5, 1);
    EXPECT_EQ(importFolderName({clipFile("DJI_20240131235959_0001_D.MP4")}, today), "2024-01-31 Pocket");
    EXPECT_EQ(importFolderName({clipFile("DJI_20240202000000_0003_D.MP4"), clipFile("DJI_20240130120000_0001_D.MP4"),
                                clipFile("DJI_20240131120000_0002_D.MP4")},
                               today),
              "2024-01-30 – 2024-02-02 Pocket");
    // A date that is no date falls back to the file's own day; no clips give today.
    EXPECT_EQ(importFolderName({}, today), "2024-05-01 Pocket");
}

TEST_F(Copy, AFolderNameInUseGetsANumber)
{
    ASSERT_TRUE(makeDir(library() + QStringLiteral("/2024-01-31 Pocket")));
    ASSERT_TRUE(makeDir(library() + QStringLiteral("/2024-01-31 Pocket 2")));
    EXPECT_EQ(unusedFolderName(library(), QStringLiteral("2024-01-31 Pocket")), "2024-01-31 Pocket 3");
    EXPECT_EQ(unusedFolderName(library(), QStringLiteral("2024-02-01 Pocket")), "2024-02-01 Pocket");
}

} // namespace
} // namespace vidorra::testing
