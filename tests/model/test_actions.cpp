// The actions on a loaded folder: organize, rename, undo, trash and the refresh from
// disk, each checked on the files and on the model's state afterwards.

#include "ModelHarness.h"

#include <QDirIterator>

namespace vidorra::testing {
namespace {

using ModelActions = ModelTest;

// Every file under `root` with its bytes, keyed by path.
QHash<QString, QByteArray> snapshot(const QString &root)
{
    QHash<QString, QByteArray> files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        files.insert(f.fileName(), f.open(QIODevice::ReadOnly) ? f.readAll() : "unreadable");
    }
    return files;
}

TEST_F(ModelActions, OrganizeRenameAndUndoPutEveryFileBack)
{
    // Clips opened on their own, so the sources themselves move and must be followed.
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 2, {}, 1, {"LRF", "SRT"});
    const QHash<QString, QByteArray> before = snapshot(card);
    loadAndWait(clips);
    model->setTab("4K");
    model->setOpenFolder("D-Log/4K 30p");
    model->setOrganized(true);
    ChunkGate rescan({}, 0);
    model->setScanHooks(rescan.hooks());
    QSignalSpy finished(model.get(), &Model::actionFinished);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->run(model->result()->items);
    ASSERT_TRUE(model->busy());
    // While an action runs, no load and no second action.
    model->load({card});
    EXPECT_EQ(model->message(), "Wait until the current action finishes, then open again.");
    model->trash(model->result()->items);
    model->revert();
    EXPECT_TRUE(user.asked.isEmpty() && !model->scanning());
    waitFor(finished);
    // The rescan keeps the user's place and stage, and offers to open the folder.
    ASSERT_TRUE(rescan.waitArrived());
    EXPECT_TRUE(model->scanning() && model->organized() && model->offerOpen());
    EXPECT_EQ(model->tab(), "4K");
    EXPECT_EQ(model->openFolder(), "D-Log/4K 30p");
    rescan.release();
    waitFor(ended);
    EXPECT_EQ(model->message(), "Sorted");
    ASSERT_EQ(model->moves().size(), 6); // two clips, each with two companions
    // The sources are followed to their new place.
    EXPECT_EQ(model->lastURLs(), (QStringList{model->moves()[0].to, model->moves()[3].to}));
    ASSERT_EQ(model->result()->items.size(), 2);

    // Renamed: the selection and the sources follow the new names.
    model->setSelection({model->result()->items.first().id});
    const QList<RenamePlan> plans = renamePlans(model->result()->items, QStringLiteral("{name}_new"));
    ASSERT_EQ(plans.size(), 2);
    model->rename(plans);
    waitFor(finished, 2);
    EXPECT_EQ(model->message(), "Renamed");
    EXPECT_EQ(model->moves().size(), 12);
    ASSERT_EQ(model->selectedItems().size(), 1);
    EXPECT_EQ(model->selectedItems().first().url, plans.first().to);
    EXPECT_EQ(model->lastURLs(), (QStringList{plans[0].to, plans[1].to}));

    ChunkGate undoScan({}, 0);
    model->setScanHooks(undoScan.hooks());
    model->revert();
    waitFor(finished, 3);
    // A load like any other, but the stage stays.
    ASSERT_TRUE(undoScan.waitArrived());
    EXPECT_TRUE(model->organized() && !model->offerOpen() && !model->tab());
    undoScan.release();
    waitFor(ended, 2);
    EXPECT_EQ(finished.count(), 3);
    EXPECT_EQ(model->message(), "Undone");
    EXPECT_TRUE(model->moves().isEmpty());
    EXPECT_EQ(snapshot(card), before);
    EXPECT_EQ(model->lastURLs(), clips);
    EXPECT_EQ(fileNames(model->result()->items), fileNames(scan(clips).items));
}

// One clip of three is gone behind our back: its line reaches the user, the others go
// with their companions, and undo brings them back. Cancelling changes nothing.
TEST_F(ModelActions, TrashAsksReportsFailuresAndUndoes)
{
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 3, {}, 1, {"LRF"});
    loadAndWait({card});
    user.acceptTrash = false;
    model->trash({model->result()->items.first()});
    QCoreApplication::processEvents();
    EXPECT_EQ(user.asked.value(0).title, "Delete DJI_20240131123456_0001_D.MP4?");
    EXPECT_TRUE(!model->busy() && QFileInfo::exists(clips[0]));

    user.acceptTrash = true;
    model->setSelection({model->result()->items[0].id});
    QFile::remove(clips[1]);
    QSignalSpy finished(model.get(), &Model::actionFinished);
    model->trash(model->result()->items);
    const Confirmation q = user.asked.value(1);
    EXPECT_EQ(q.title, "Delete 3 clips?");
    EXPECT_TRUE(q.text.startsWith("They will go to the Trash (") && q.text.endsWith(").")) << q.text.toStdString();
    EXPECT_TRUE(q.acceptButton == "Delete" && q.cancelButton == "Cancel" && q.acceptIsDestructive);
    waitFor(finished);
    EXPECT_EQ(fileNames(model->result()->items), QStringList{QFileInfo(clips[1]).fileName()});
    EXPECT_TRUE(model->message().startsWith("Finished with 1 issue:\n" + QFileInfo(clips[1]).fileName() + ": "))
        << model->message().toStdString();
    EXPECT_EQ(model->moves().size(), 4); // two clips with their companions
    EXPECT_TRUE(model->selection().isEmpty());

    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->revert();
    waitFor(finished, 2);
    EXPECT_EQ(model->message(), "Undone");
    EXPECT_TRUE(QFileInfo::exists(clips[0]) && QFileInfo::exists(clips[2]));

    // Every clip trashed: nothing is loaded any more.
    waitFor(ended);
    model->trash(model->result()->items);
    waitFor(finished, 3);
    EXPECT_FALSE(model->result());
}

// Nothing changed: not a field moves; a clip renamed: a rescan; the folder gone: nothing
// loaded and no history left.
TEST_F(ModelActions, RefreshFromDisk)
{
    const QString card = dir("card");
    const QString clip = writeClips(card, 3).first();
    loadAndWait({card});
    QSignalSpy checked(model.get(), &Model::refreshChecked);
    QSignalSpy scanning(model.get(), &Model::scanningChanged), results(model.get(), &Model::resultChanged);
    model->refreshFromDisk();
    ASSERT_TRUE(checked.wait(kWaitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(scanning.count() + results.count(), 0);

    ASSERT_TRUE(QFile::rename(clip, card + "/renamed.MP4"));
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->refreshFromDisk();
    waitFor(ended);
    EXPECT_EQ(fileNames(model->result()->items).last(), "renamed.MP4");

    QSignalSpy finished(model.get(), &Model::actionFinished);
    model->rename(renamePlans({model->result()->items.first()}, QStringLiteral("renamed")));
    waitFor(finished);
    ASSERT_FALSE(model->moves().isEmpty());
    ASSERT_TRUE(QDir(card).removeRecursively());
    model->refreshFromDisk();
    ASSERT_TRUE(checked.wait(kWaitMs));
    EXPECT_FALSE(model->result());
    EXPECT_TRUE(model->moves().isEmpty());
    EXPECT_EQ(model->message(), "Folder not found");
}

} // namespace
} // namespace vidorra::testing
