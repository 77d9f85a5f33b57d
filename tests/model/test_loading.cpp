// Loading folders: the preference it writes, the source description, the stage a
// scan ends on, the order and pacing of updates, and what cancelling a scan drops.

#include "ModelHarness.h"

#include "Preferences.h"

#include "metadata/Labels.h"
#include "text/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace vidorra::testing {
namespace {

using ModelLoading = ModelTest;

TEST_F(ModelLoading, RemembersOnlyASingleOpenedFolder)
{
    const QString a = dir("A"), b = dir("B");
    const QStringList clips = writeClips(a, 1);
    writeClips(b, 1);

    model->load({});
    EXPECT_FALSE(model->scanning());
    EXPECT_FALSE(Preferences::lastFolderPath());

    loadAndWait({clips.first()});
    EXPECT_FALSE(Preferences::lastFolderPath());
    loadAndWait({a, b});
    EXPECT_FALSE(Preferences::lastFolderPath());
    loadAndWait({a});
    EXPECT_EQ(Preferences::lastFolderPath(), a);
}

TEST_F(ModelLoading, DescribesWhatWasOpened)
{
    const QString a = dir("A"), b = dir("B"), c = dir("C");
    const QStringList clips = writeClips(c, 1);

    loadAndWait({a, b});
    EXPECT_EQ(model->sourceName(), "A +1");
    EXPECT_EQ(model->sourcePath(), a);

    loadAndWait({a, clips.first(), b, c});
    EXPECT_EQ(model->sourceName(), "A +2");

    loadAndWait({clips.first()});
    EXPECT_EQ(model->sourceName(), "C");
    EXPECT_EQ(model->sourcePath(), c);
}

TEST_F(ModelLoading, FewClipsSkipTheIntroAndNoneSaySo)
{
    const QString five = dir("five"), six = dir("six"), none = dir("none");
    writeClips(five, 5);
    writeClips(six, 6);
    QFile(QDir(none).filePath("notes.txt")).open(QIODevice::WriteOnly);

    loadAndWait({five});
    EXPECT_TRUE(model->organized());
    EXPECT_EQ(model->message(), "");

    loadAndWait({six});
    EXPECT_FALSE(model->organized());
    EXPECT_EQ(model->result()->items.size(), 6);

    Preferences::setSkipIntro(true);
    loadAndWait({six});
    EXPECT_TRUE(model->organized());

    loadAndWait({none});
    ASSERT_TRUE(model->result());
    EXPECT_TRUE(model->result()->items.isEmpty());
    EXPECT_EQ(model->scanTotal(), 0);
    EXPECT_TRUE(model->organized());
    EXPECT_EQ(model->message(), "No compatible clips");
    EXPECT_EQ(model->root(), none);
}

TEST_F(ModelLoading, HundredFilesArriveInChunksOf32InCollectedOrder)
{
    // The folder walked first holds the later names: collected order is name order.
    const QString card = dir("card");
    writeClips(QDir(card).filePath("x"), 50, {}, 51);
    writeClips(QDir(card).filePath("y"), 50, fullHdSpec(), 1);
    QStringList expected;
    for (int n = 1; n <= 100; ++n)
        expected.append(QStringLiteral("DJI_20240131123456_%1_D.MP4").arg(n, 4, 10, QLatin1Char('0')));

    model->setScanHooks(ChunkGate().hooks()); // hand on every chunk
    QList<int> seen;
    QObject::connect(model.get(), &Model::scanDoneChanged, [&] { seen.append(model->scanDone()); });
    loadAndWait({card});

    EXPECT_EQ(seen, (QList<int>{32, 64, 96, 100}));
    EXPECT_EQ(model->scanTotal(), 100);
    EXPECT_EQ(fileNames(model->result()->items), expected);
    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(model->lib().tabs.size(), 2);
}

TEST_F(ModelLoading, NewLoadDropsEveryUpdateOfTheOldScan)
{
    const QString a = dir("A"), b = dir("B");
    writeClips(a, 40);
    writeClips(b, 40, fullHdSpec(), 101);
    ChunkGate gate;
    gate.hold({a}, 32);
    gate.hold({b}, 32);
    model->setScanHooks(gate.hooks());

    model->load({a});
    ASSERT_TRUE(gate.waitArrived({a})); // A has passed its cancellation check
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 32; }, kWaitMs));

    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->load({b});
    ASSERT_TRUE(gate.waitArrived({b}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 32; }, kWaitMs));

    // A finishes its last chunk and posts its batch and its end; both must be dropped.
    QSignalSpy scanning(model.get(), &Model::scanningChanged);
    gate.release({a});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->backgroundThreads() == 1; }, kWaitMs));
    QCoreApplication::processEvents();
    EXPECT_TRUE(model->scanning());
    EXPECT_EQ(scanning.count(), 0);
    EXPECT_EQ(model->scanDone(), 32);
    EXPECT_EQ(model->scanTotal(), 40);
    EXPECT_EQ(model->result()->items.size(), 32);
    EXPECT_EQ(ended.count(), 0);

    gate.release({b});
    waitScanEnd(ended);
    waitIdle();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(model->scanDone(), 40);
    ASSERT_EQ(model->result()->items.size(), 40);
    for (const Planned &p : model->result()->items)
        EXPECT_TRUE(p.url.startsWith(b + '/')) << p.url.toStdString();
}

TEST_F(ModelLoading, StopScanKeepsTheClipsShown)
{
    const QString card = dir("card");
    writeClips(card, 100);
    ChunkGate gate;
    gate.hold({card}, 64);
    model->setScanHooks(gate.hooks());
    QSignalSpy ended(model.get(), &Model::scanEnded);

    model->load({card});
    ASSERT_TRUE(gate.waitArrived({card}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 64; }, kWaitMs));
    model->stopScan();
    gate.release({card});
    waitIdle();

    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(model->result()->items.size(), 64);
    EXPECT_EQ(model->scanDone(), 64);
    EXPECT_EQ(model->message(), "");
    EXPECT_FALSE(model->organized());
    EXPECT_EQ(ended.count(), 0);
}

TEST_F(ModelLoading, LibraryFollowsTabAndLanguageChangedDuringTheScan)
{
    const QString card = dir("card");
    writeClips(card, 10, foreignSpec(), 1); // read before the switch
    writeClips(card, 40, fullHdSpec(), 101);
    writeClips(card, 40, {}, 201); // ranks first once read
    ChunkGate gate;
    gate.hold({card}, 32);
    model->setScanHooks(gate.hooks());
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->load({card});
    ASSERT_TRUE(gate.waitArrived({card}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 32; }, kWaitMs));

    // The scan builds its libraries for the tab it saw; both changes must win.
    const QString chosen = model->lib().tabs.first().name; // the full-HD tab
    model->setTab(chosen);
    model->setLanguage("es");
    gate.release({card});
    waitScanEnd(ended);

    const Library expected(model->result()->items, model->tab());
    EXPECT_EQ(model->lib().current, chosen);
    EXPECT_NE(model->lib().tabs.first().name, chosen);
    EXPECT_EQ(fileNames(model->lib().ordered), fileNames(expected.ordered));
    ASSERT_EQ(model->lib().tabs.size(), expected.tabs.size());
    for (qsizetype i = 0; i < expected.tabs.size(); ++i) {
        EXPECT_EQ(model->lib().tabs[i].name, expected.tabs[i].name);
        EXPECT_EQ(model->lib().tabs[i].count, expected.tabs[i].count);
    }
    EXPECT_EQ(model->result()->items.size(), 90);
    // Clips read before the switch were relabelled, and later batches kept that.
    for (const Planned &p : model->result()->items) {
        EXPECT_EQ(p.resolution, p.info.recognized ? resolutionLabel(p.info) : L("Unknown"));
        EXPECT_EQ(p.folder, folderName(p.info));
    }
}

TEST_F(ModelLoading, RestoreLastFolderOnlyWhenIdleAndEmpty)
{
    const QString a = dir("A"), b = dir("B");
    writeClips(a, 2);
    writeClips(b, 3);

    Preferences::setLastFolderPath(QDir(work.path()).filePath("gone"));
    model->restoreLastFolder();
    EXPECT_FALSE(model->scanning());
    EXPECT_FALSE(model->result());
    EXPECT_EQ(Preferences::lastFolderPath(), QDir(work.path()).filePath("gone"));

    Preferences::setLastFolderPath(a);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->restoreLastFolder();
    EXPECT_TRUE(model->scanning());
    model->restoreLastFolder(); // while scanning: nothing new
    waitScanEnd(ended);
    EXPECT_EQ(model->result()->items.size(), 2);

    Preferences::setLastFolderPath(b);
    model->restoreLastFolder(); // a folder is loaded
    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(model->result()->root, a);
}

TEST_F(ModelLoading, OpenPanelLoadsTheChoiceAndCancelChangesNothing)
{
    const QString a = dir("A");
    writeClips(a, 2);
    model->openPanel();
    EXPECT_EQ(user.choosers, 1);
    EXPECT_FALSE(model->scanning());

    user.chosen = {a};
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->openPanel();
    waitScanEnd(ended);
    EXPECT_EQ(model->result()->items.size(), 2);
}

TEST_F(ModelLoading, ReloadKeepsThePlaceAndClearsTheSelection)
{
    const QString card = dir("card");
    writeClips(card, 4);
    writeClips(card, 4, fullHdSpec(), 11);
    loadAndWait({card});
    ASSERT_EQ(model->lib().tabs.size(), 2);
    const QString second = model->lib().tabs[1].name;
    model->setTab(second);
    const QString pile = model->lib().sections.first().folder;
    model->setOpenFolder(pile);
    model->setOrganized(true);
    model->setOfferOpen(true);
    model->setSelection({model->lib().ordered.first().id});
    EXPECT_EQ(model->selectedItems().size(), 1);

    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->reload();
    EXPECT_TRUE(model->scanning());
    waitScanEnd(ended);
    EXPECT_EQ(model->tab(), second);
    EXPECT_EQ(model->lib().current, second);
    EXPECT_EQ(model->openFolder(), pile);
    EXPECT_TRUE(model->organized());
    EXPECT_TRUE(model->offerOpen());
    EXPECT_TRUE(model->selection().isEmpty());
    EXPECT_TRUE(model->selectedItems().isEmpty());
    EXPECT_EQ(model->result()->items.size(), 8);
}

} // namespace
} // namespace vidorra::testing
