// What goes wrong during an import: a copy that reads back wrong, a card file that
// vanishes or cannot be read, a full destination, a stop in the middle of a file, and
// names the destination refuses. Nothing is ever left half-copied.
#include "ImportTestEnv.h"

#include <fcntl.h>
#include <unistd.h>

namespace vidorra::testing {
namespace {

// Flips one byte of the file, the way a bad cable or a failing disk would.
void flipByte(const QString &path, off_t at)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    unsigned char byte = 0;
    ASSERT_EQ(::pread(fd, &byte, 1, at), 1);
    byte ^= 0x20;
    ASSERT_EQ(::pwrite(fd, &byte, 1, at), 1);
    ::fsync(fd);
    ::close(fd);
}

class Failures : public ImportTest {
protected:
    void SetUp() override
    {
        first = clip(QStringLiteral("DJI_20240131100000_0001_D.MP4"), 3 << 20, 1);
        second = clip(QStringLiteral("DJI_20240131110000_0002_D.MP4"), (qint64(8) << 20) + 4096 * 3 + 7, 2);
        third = clip(QStringLiteral("DJI_20240131120000_0003_D.MP4"), 1 << 20, 3);
    }
    QString folder() const { return library() + QStringLiteral("/2024-01-31 Pocket"); }
    bool isSecond(const QString &path) const { return path.contains(QStringLiteral("0002")); }
    void expectOthersLanded()
    {
        EXPECT_EQ(readBytes(imported("DCIM/100MEDIA/DJI_20240131100000_0001_D.MP4")), readBytes(first));
        EXPECT_EQ(readBytes(imported("DCIM/100MEDIA/DJI_20240131120000_0003_D.MP4")), readBytes(third));
        EXPECT_TRUE(hiddenEntries(library()).isEmpty()) << hiddenEntries(library()).join(u' ').toStdString();
        EXPECT_TRUE(verifyFolder(folder()).problems.isEmpty());
    }
    QString first, second, third;
};

TEST_F(Failures, ACopyThatReadsBackWrongOnceIsCopiedAgain)
{
    int flips = 0;
    setImportFault([&](ImportStep step, const QString &path, int attempt) {
        if (step == ImportStep::ReadBack && isSecond(path) && attempt == 0) {
            flipByte(path, 5 << 20);
            ++flips;
        }
        return 0;
    });
    const ImportOutcome out = import();
    EXPECT_EQ(flips, 1);
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(out.filesCopied, 3);
    EXPECT_EQ(readBytes(imported("DCIM/100MEDIA/DJI_20240131110000_0002_D.MP4")), readBytes(second));
    expectOthersLanded();
}

TEST_F(Failures, ACopyThatReadsBackWrongTwiceFailsWithItsLine)
{
    setImportFault([&](ImportStep step, const QString &path, int) {
        if (step == ImportStep::ReadBack && isSecond(path))
            flipByte(path, 0);
        return 0;
    });
    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"DJI_20240131110000_0002_D.MP4: the copy differs from the card, twice"});
    EXPECT_EQ(out.filesCopied, 2);
    EXPECT_FALSE(existsAt(imported("DCIM/100MEDIA/DJI_20240131110000_0002_D.MP4")));
    EXPECT_EQ(readManifest(folder() + QStringLiteral("/checksums.xxh128")).entries.size(), 2);
    expectOthersLanded();
}

TEST_F(Failures, ACardReadErrorIsTriedOnceMore)
{
    int reads = 0;
    setImportFault([&](ImportStep step, const QString &path, int attempt) {
        return step == ImportStep::ReadCard && isSecond(path) && attempt == 0 && ++reads == 2 ? EIO : 0;
    });
    const ImportOutcome out = import();
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(readBytes(imported("DCIM/100MEDIA/DJI_20240131110000_0002_D.MP4")), readBytes(second));
    expectOthersLanded();
}

TEST_F(Failures, ACardFileThatVanishesFailsAloneAndTheRestGoesOn)
{
    setImportFault([&](ImportStep step, const QString &path, int attempt) {
        if (step == ImportStep::OpenCard && isSecond(path) && attempt == 0)
            QFile::remove(path); // the card pulled out of the reader for that file
        return 0;
    });
    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"DJI_20240131110000_0002_D.MP4: No such file or directory"});
    EXPECT_EQ(out.filesCopied, 2);
    expectOthersLanded();
}

TEST_F(Failures, ACardFileThatChangesWhileReadIsNotTakenAsItWas)
{
    setImportFault([&](ImportStep step, const QString &path, int) {
        if (step == ImportStep::ReadCard && isSecond(path)) {
            QFile f(path);
            if (f.open(QIODevice::Append))
                f.write("more");
        }
        return 0;
    });
    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"DJI_20240131110000_0002_D.MP4: changed on the card while it was read"});
    expectOthersLanded();
}

TEST_F(Failures, AFullDestinationStopsTheImportAndSaysWhatWasLeft)
{
    setImportFault([&](ImportStep step, const QString &path, int) {
        return step == ImportStep::Write && isSecond(path) ? ENOSPC : 0;
    });
    const ImportOutcome out = import();
    EXPECT_TRUE(out.destinationFull);
    EXPECT_FALSE(out.cancelled);
    EXPECT_EQ(out.failed, (QStringList{"DJI_20240131110000_0002_D.MP4: No space left on device",
                                       "The destination is full: 1 more file was not copied"}));
    EXPECT_EQ(out.filesCopied, 1);
    EXPECT_EQ(out.notTried, 1);
    EXPECT_TRUE(hiddenEntries(library()).isEmpty());
    EXPECT_TRUE(verifyFolder(folder()).problems.isEmpty());
}

TEST_F(Failures, AFullMountedFileSystemStopsTheImportCleanly)
{
    TestMount mount;
    if (!mount.tmpfs(library(), 6 * 1024))
        GTEST_SKIP() << "mounting a tmpfs is refused here";
    const ImportOutcome out = import();
    EXPECT_TRUE(out.destinationFull);
    ASSERT_FALSE(out.failed.isEmpty());
    EXPECT_EQ(out.failed.first(), "DJI_20240131110000_0002_D.MP4: No space left on device");
    EXPECT_EQ(out.filesCopied, 1);
    EXPECT_TRUE(hiddenEntries(library()).isEmpty());
    EXPECT_TRUE(verifyFolder(folder()).problems.isEmpty());
}

TEST_F(Failures, AStopInTheMiddleOfAFileLeavesOnlyCompleteVerifiedFiles)
{
    std::stop_source stop;
    setImportFault([&](ImportStep step, const QString &path, int) {
        if (step == ImportStep::Write && isSecond(path))
            stop.request_stop();
        return 0;
    });
    const ImportOutcome out = import(plan(), stop.get_token());
    EXPECT_TRUE(out.cancelled);
    EXPECT_TRUE(out.failed.isEmpty()) << out.failed.join(u'\n').toStdString();
    EXPECT_EQ(out.filesCopied, 1);
    EXPECT_EQ(out.notTried, 2);
    EXPECT_EQ(tree(folder()), (QStringList{"DCIM/", "DCIM/100MEDIA/", "DCIM/100MEDIA/DJI_20240131100000_0001_D.MP4",
                                           "checksums.xxh128"}));
    EXPECT_TRUE(verifyFolder(folder()).problems.isEmpty());

    // Importing again finishes the job.
    setImportFault({});
    const ImportOutcome rest = import();
    EXPECT_EQ(rest.filesSkipped, 1);
    EXPECT_EQ(rest.filesCopied, 2);
    expectOthersLanded();
}

TEST_F(Failures, ANameTheDestinationRefusesFailsBeforeAnythingIsCopied)
{
    setImportFault([&](ImportStep step, const QString &path, int) {
        return step == ImportStep::CreatePartial && isSecond(path) ? EINVAL : 0;
    });
    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"DJI_20240131110000_0002_D.MP4: the destination does not accept this name"});
    expectOthersLanded();
}

TEST_F(Failures, NamesAnExfatCardRefuses)
{
    clip(QStringLiteral("take:1?.MP4"), 1000, 9);
    TestMount mount;
    if (!mount.exfat(path(QStringLiteral("exfat.img")), library(), 64))
        GTEST_SKIP() << "no exFAT mount here";
    const ImportOutcome out = import();
    EXPECT_EQ(out.failed, QStringList{"take:1?.MP4: the destination does not accept this name"});
    EXPECT_EQ(out.filesCopied, 3);
    expectOthersLanded();
}

} // namespace
} // namespace vidorra::testing
