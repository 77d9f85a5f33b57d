// Which volumes are camera cards, and the watcher that follows them as they come and go.
#include "ImportTestEnv.h"

#include "import/CardWatcher.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

namespace vidorra::testing {
namespace {

class Cards : public FileTest {};

TEST_F(Cards, AVolumeIsACardWhenItsDcimFolderHoldsClips)
{
    files({"sd/DCIM/100MEDIA/DJI_0001.MP4", "sd/DCIM/100MEDIA/DJI_0001.LRF", "sd/DCIM/101MEDIA/b.mov",
           "photos/DCIM/100MEDIA/IMG_1.JPG", "hidden/DCIM/.x.MP4", "nodcim/clip.MP4"});
    const QList<Card> cards = findCards({{path("sd"), "SD_CARD", "/dev/sdb1"},
                                         {path("photos"), "PHOTOS", "/dev/sdc1"},
                                         {path("hidden"), "HIDDEN", "/dev/sdd1"},
                                         {path("nodcim"), "OTHER", "/dev/sde1"},
                                         {path("gone"), "GONE", "/dev/sdf1"}});
    ASSERT_EQ(cards.size(), 1);
    EXPECT_EQ(cards[0].name, "SD_CARD");
    EXPECT_EQ(cards[0].root, path("sd"));
    EXPECT_EQ(cards[0].clips, 2);
    EXPECT_EQ(cards[0].bytes, qint64(QByteArray("sd/DCIM/100MEDIA/DJI_0001.MP4").size() +
                                     QByteArray("sd/DCIM/101MEDIA/b.mov").size()));
}

TEST_F(Cards, CompanionsAreTakenByTheirExactNamesOnly)
{
    files({"sd/DCIM/100MEDIA/A.MP4", "sd/DCIM/100MEDIA/A.LRF", "sd/DCIM/100MEDIA/A.srt",
           "sd/DCIM/100MEDIA/A.WAV", "sd/DCIM/100MEDIA/AB.LRF"});
    QStringList relatives;
    for (const ImportFile &f : cardFiles(path("sd")))
        relatives << f.relative + (f.clip ? " clip" : "");
    EXPECT_EQ(relatives, (QStringList{"DCIM/100MEDIA/A.MP4 clip", "DCIM/100MEDIA/A.LRF", "DCIM/100MEDIA/A.srt"}));
}

TEST_F(Cards, TheWatcherFollowsCardsAsTheyComeAndGo)
{
    QList<Volume> volumes;
    CardWatcher watcher([&volumes] { return volumes; });
    QSignalSpy searched(&watcher, &CardWatcher::searched);
    QSignalSpy changed(&watcher, &CardWatcher::cardsChanged);
    ASSERT_TRUE(searched.wait(10000));
    EXPECT_TRUE(watcher.cards().isEmpty());

    file("sd/DCIM/100MEDIA/DJI_0001.MP4");
    volumes = {{path("sd"), "SD_CARD", "/dev/sdb1"}};
    watcher.refresh();
    ASSERT_TRUE(changed.wait(10000));
    ASSERT_EQ(watcher.cards().size(), 1);

    volumes.clear();
    watcher.refresh();
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_TRUE(watcher.cards().isEmpty());
}

TEST_F(Cards, AMountIsNoticedWithoutAsking)
{
    // The real mount table: a folder with a DCIM folder, mounted, stands in for a card.
    const QString at = path("mnt");
    CardWatcher watcher([at] {
        QList<Volume> all;
        for (const QStorageInfo &info : QStorageInfo::mountedVolumes()) {
            if (info.rootPath() == at)
                all << Volume{at, "CARD", "/dev/test"};
        }
        return all;
    });
    QSignalSpy searched(&watcher, &CardWatcher::searched);
    ASSERT_TRUE(searched.wait(10000));
    ASSERT_TRUE(watcher.cards().isEmpty());

    file("sd/DCIM/100MEDIA/DJI_0001.MP4");
    TestMount mount;
    if (!mount.bind(path("sd"), at))
        GTEST_SKIP() << "mounting is refused here";
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.cards().size() == 1; }, 10000));
    mount.unmount();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.cards().isEmpty(); }, 10000));
}

} // namespace
} // namespace vidorra::testing
