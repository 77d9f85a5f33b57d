// Loading folders: the preference it writes, the source description, the stage a
// scan ends on, the order and pacing of updates, and what cancelling a scan drops;
// and the preferences, on disk at once under the keys earlier versions wrote.

#include "ModelHarness.h"

#include "model/Preferences.h"

#include "metadata/Labels.h"

namespace vidorra::testing {
namespace {

using ModelLoading = ModelTest;

// Only a single opened folder is remembered and is the scan's folder; the name shows
// the first source and how many more there are; up to five clips skip the intro, and
// none says so. The remembered folder comes back only into an empty model.
TEST_F(ModelLoading, SourcesNameRememberedFolderAndStage)
{
    const QString a = dir("A"), b = dir("B"), c = dir("C");
    writeClips(a, 6);
    const QString clip = writeClips(c, 5).first();
    model->load({});
    EXPECT_FALSE(model->scanning());
    const struct {
        QStringList urls;
        QString name, path, root;
        bool isFolder;
        std::optional<QString> remembered;
        bool organized;
    } rows[] = {
        {{clip}, "C", c, c, false, {}, true},
        {{a, clip, b}, "A +1", a, work.path(), false, {}, false},
        {{a}, "A", a, a, true, a, false},
        {{b}, "B", b, b, true, b, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        loadAndWait(row.urls);
        EXPECT_EQ(model->sourceName(), row.name);
        EXPECT_EQ(model->sourcePath(), row.path);
        EXPECT_EQ(model->root(), row.root);
        EXPECT_EQ(model->result()->isFolder, row.isFolder);
        EXPECT_EQ(Preferences::lastFolderPath(), row.remembered);
        EXPECT_EQ(model->organized(), row.organized);
        EXPECT_EQ(model->message(), row.name == "B" ? "No compatible clips" : "");
    }

    model->restoreLastFolder();
    EXPECT_FALSE(model->scanning());
    Preferences::setSkipIntro(true);
    Model fresh;
    fresh.restoreLastFolder();
    EXPECT_TRUE(fresh.scanning() && fresh.organized()) << "B again, on the organized stage at once";
}

// Every chunk of 32 is handed on in collected (name) order, though the folder walked
// first holds the later names; a stopped scan keeps what it showed.
TEST_F(ModelLoading, ChunksOf32InCollectedOrderAndStopKeepsThem)
{
    const QString card = dir("card");
    const QStringList later = writeClips(card + "/x", 50, {}, 51);
    const QStringList earlier = writeClips(card + "/y", 50, clipSpec(1080), 1);
    ChunkGate gate({card}, 96);
    model->setScanHooks(gate.hooks());
    QList<int> seen;
    QObject::connect(model.get(), &Model::scanDoneChanged, [&] { seen.append(model->scanDone()); });
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->load({card});
    ASSERT_TRUE(gate.waitArrived());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 96; }, kWaitMs));
    // Nothing that changes files starts while a scan runs.
    model->run(model->result()->items);
    model->trash(model->result()->items);
    model->revert();
    EXPECT_TRUE(!model->busy() && user.asked.isEmpty());
    model->stopScan();
    gate.release();
    waitIdle();
    EXPECT_EQ(seen, (QList<int>{32, 64, 96}));
    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(fileNames(model->result()->items), fileNames(scan(earlier + later.mid(0, 46)).items));
}

// The old scan has handed on everything, its end included, before the new load starts:
// those updates are already queued on the main thread and must be dropped there.
TEST_F(ModelLoading, UpdatesAlreadyQueuedByTheOldScanAreDropped)
{
    const QString a = dir("A"), b = dir("B");
    writeClips(a, 40);
    writeClips(b, 40, clipSpec(1080), 101);
    ChunkGate gate({b}, 0); // the new scan waits before its first chunk
    model->setScanHooks(gate.hooks());
    model->load({a});
    ASSERT_TRUE(threadsEndedWithoutEvents());
    ASSERT_EQ(model->scanDone(), 0) << "nothing is applied before the event loop runs";
    QSignalSpy ended(model.get(), &Model::scanEnded);
    QList<std::optional<QString>> roots;
    QObject::connect(model.get(), &Model::rootChanged, [&] { roots << model->root(); });
    model->load({b});
    ASSERT_TRUE(gate.waitArrived()); // runs the event loop: the old updates come through now
    QCoreApplication::processEvents();
    EXPECT_TRUE(model->scanning());
    EXPECT_EQ(model->scanDone(), 0);
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(roots, QList<std::optional<QString>>{b});
    gate.release();
    waitFor(ended);
    waitIdle();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(model->scanDone(), 40);
    ASSERT_EQ(model->result()->items.size(), 40);
    EXPECT_TRUE(model->result()->items.first().url.startsWith(b + '/'));
}

TEST_F(ModelLoading, LibraryFollowsTabAndLanguageChangedDuringTheScan)
{
    const QString card = dir("card");
    writeClips(card, 10, clipSpec(2160, false), 1); // read before the switch
    writeClips(card, 40, clipSpec(1080), 101);
    writeClips(card, 40, {}, 201); // ranks first once read

    // The scan builds each batch's library for the tab it saw: a tab chosen while its
    // batches wait on the main thread must win.
    model->load({card});
    ASSERT_TRUE(threadsEndedWithoutEvents());
    model->setTab("1080p");
    waitIdle();
    EXPECT_EQ(model->lib().current, "1080p");
    EXPECT_EQ(fileNames(model->lib().ordered), fileNames(Library(model->result()->items, "1080p").ordered));

    // So must a language switched during the scan.
    ChunkGate gate({card}, 32);
    model->setScanHooks(gate.hooks());
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->load({card});
    ASSERT_TRUE(gate.waitArrived());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->scanDone() == 32; }, kWaitMs));
    model->setLanguage("es");
    gate.release();
    waitFor(ended);
    EXPECT_EQ(fileNames(model->lib().ordered), fileNames(Library(model->result()->items, std::nullopt).ordered));
    ASSERT_EQ(model->result()->items.size(), 90);
    // Clips read before the switch were relabelled, and later batches kept that.
    for (const Planned &p : model->result()->items) {
        EXPECT_EQ(p.resolution, p.info.recognized ? resolutionLabel(p.info) : L("Unknown"));
        EXPECT_EQ(p.folder, folderName(p.info));
    }
}

// A slot finds everything a change concerns already rebuilt: a new result (set, or
// adopted with the scan's own library) with its library, a tab with its library, a
// selection with its items.
TEST_F(ModelLoading, SignalsGoOutOnceEveryFieldIsInStep)
{
    const QString card = dir("card");
    writeClips(card, 40, clipSpec(1080), 1);
    writeClips(card, 40, {}, 101);
    QStringList stale;
    int seen = 0;
    auto inStep = [&](const QString &signal) {
        ++seen;
        const auto &result = model->result();
        const QStringList wanted = result ? fileNames(Library(result->items, model->tab()).ordered) : QStringList();
        if (fileNames(model->lib().ordered) != wanted)
            stale << signal;
        qsizetype selected = 0;
        for (const Planned &p : model->lib().ordered)
            selected += model->selection().contains(p.id);
        if (model->selectedItems().size() != selected)
            stale << signal + " (selected items)";
    };
    QObject::connect(model.get(), &Model::resultChanged, [&] { inStep("resultChanged"); });
    QObject::connect(model.get(), &Model::tabChanged, [&] { inStep("tabChanged"); });
    QObject::connect(model.get(), &Model::selectionChanged, [&] { inStep("selectionChanged"); });

    model->setScanHooks({.updateIntervalMs = -1}); // a batch per chunk, each with its library
    loadAndWait({card});
    model->setSelection({model->lib().ordered[0].id, model->lib().ordered[1].id});
    model->setTab("1080p");
    model->relabel();
    EXPECT_GT(seen, 5);
    EXPECT_TRUE(stale.isEmpty()) << stale.join(", ").toStdString();
}

// Selected clips are listed as shown: the 25p pile before the 30p one.
TEST_F(ModelLoading, SelectionInDisplayOrder)
{
    const QString card = dir("card");
    const QString first = writeClips(card, 1).first();
    fixture::ClipSpec slower;
    slower.camera->captureFPS = slower.camera->playbackFPS = 25;
    const QString second = writeClips(card, 1, slower, 2).first();
    loadAndWait({card});
    model->setSelection({model->result()->items[0].id, model->result()->items[1].id});
    EXPECT_EQ(fileNames(model->selectedItems()), (QStringList{QFileInfo(second).fileName(), QFileInfo(first).fileName()}));
}

using ModelPrefs = ModelTest;

TEST_F(ModelPrefs, EveryChangeIsOnDiskAtOnceUnderItsKey)
{
    Preferences::setRenameTemplate("{name}");
    Preferences::setLastFolderPath("/media/card");
    Preferences::setWindowSized(true);
    Preferences::setWindowSizeReset(true);
    model->setLanguage("es");
    // A settings object made now reads the file, not a cache of this process.
    const QString file = QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).fileName();
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    const std::pair<const char *, QString> keys[] = {{"renameTemplate", "{name}"}, {"lastFolderPath", "/media/card"},
        {"windowSized4", "true"}, {"windowSizeReset2", "true"}, {"appLanguage", "es"}};
    for (const auto &[key, value] : keys)
        EXPECT_EQ(QSettings(file, QSettings::IniFormat).value(key).toString(), value) << key;
    EXPECT_EQ(Model().language(), "es");
}

} // namespace
} // namespace vidorra::testing
