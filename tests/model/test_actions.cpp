// The actions on a loaded folder: organize, rename, undo, trash and the refresh from
// disk, each checked on the files and on the model's state afterwards.

#include "ModelHarness.h"

#include "rename/Rename.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace vidorra::testing {
namespace {

using ModelActions = ModelTest;

// Every file under `root` with its bytes, keyed by path.
QHash<QString, QByteArray> snapshot(const QString &root)
{
    QHash<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, fileBytes(path));
    }
    return files;
}

QStringList subfolders(const QString &root)
{
    QStringList dirs;
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        dirs.append(it.next());
    return dirs;
}

TEST_F(ModelActions, OrganizeRenameAndUndoPutEveryFileBack)
{
    // Clips opened on their own, so the sources themselves move and must be followed.
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 2, {}, 1, {"LRF", "SRT"});
    const QHash<QString, QByteArray> before = snapshot(card);
    loadAndWait(clips);
    ASSERT_EQ(model->result()->items.size(), 2);
    EXPECT_TRUE(model->organized()); // fewer than six clips

    QSignalSpy finished(model.get(), &Model::actionFinished);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    QSignalSpy busy(model.get(), &Model::busyChanged);
    model->run(model->result()->items);
    EXPECT_TRUE(model->busy());
    waitAction(finished);
    waitScanEnd(ended);
    EXPECT_FALSE(model->busy());
    EXPECT_EQ(busy.count(), 2);
    EXPECT_EQ(model->message(), "Sorted");
    EXPECT_EQ(model->moves().size(), 6); // two clips, each with two companions
    EXPECT_TRUE(model->offerOpen());
    ASSERT_EQ(model->result()->items.size(), 2); // found again at their new place
    for (const Planned &p : model->result()->items) {
        EXPECT_NE(QFileInfo(p.url).absolutePath(), card);
        EXPECT_TRUE(QFileInfo::exists(p.url));
        EXPECT_FALSE(p.sortable); // already in its folder now
    }
    EXPECT_EQ(model->lastURLs(), (QStringList{model->moves()[0].to, model->moves()[3].to}));

    const QUuid kept = model->result()->items.first().id;
    model->setSelection({kept});
    const QList<RenamePlan> plans = renamePlans(model->result()->items, QStringLiteral("{name}_new"));
    ASSERT_EQ(plans.size(), 2);
    model->rename(plans);
    EXPECT_TRUE(model->busy());
    waitAction(finished, 2);
    EXPECT_EQ(ended.count(), 1); // rename does not rescan
    EXPECT_EQ(model->message(), "Renamed");
    EXPECT_EQ(model->moves().size(), 12);
    EXPECT_EQ(model->result()->items.first().id, kept);
    EXPECT_EQ(model->result()->items.first().url, plans.first().to);
    EXPECT_EQ(model->selection(), QSet<QUuid>{kept});
    ASSERT_EQ(model->selectedItems().size(), 1);
    EXPECT_EQ(model->selectedItems().first().url, plans.first().to);
    EXPECT_TRUE(QFileInfo::exists(plans.first().to));
    EXPECT_EQ(model->lastURLs(), (QStringList{plans[0].to, plans[1].to}));

    model->revert();
    waitAction(finished, 3);
    waitScanEnd(ended, 2);
    EXPECT_EQ(model->message(), "Undone");
    EXPECT_TRUE(model->moves().isEmpty());
    EXPECT_TRUE(model->organized());
    EXPECT_FALSE(model->offerOpen());
    EXPECT_EQ(snapshot(card), before);
    // Every file is back; the folders made by organizing hold nothing any more.
    for (const QString &folder : subfolders(card))
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty()) << folder.toStdString();
    EXPECT_EQ(model->lastURLs(), clips);
    ASSERT_EQ(model->result()->items.size(), 2);
    EXPECT_EQ(model->result()->items[0].url, clips[0]);
}

TEST_F(ModelActions, OrganizingNothingSortableStillRescansAndReports)
{
    const QString card = dir("card");
    writeClips(card, 3, foreignSpec());
    loadAndWait({card});
    QSignalSpy finished(model.get(), &Model::actionFinished);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->run(model->result()->items);
    EXPECT_TRUE(model->busy());
    waitAction(finished);
    waitScanEnd(ended);
    EXPECT_TRUE(model->moves().isEmpty());
    EXPECT_FALSE(model->offerOpen());
    EXPECT_EQ(model->message(), "Sorted");
    EXPECT_EQ(model->result()->items.size(), 3);
}

TEST_F(ModelActions, NoLoadAndNoSecondActionWhileBusy)
{
    const QString a = dir("A"), b = dir("B");
    writeClips(a, 2, foreignSpec());
    writeClips(b, 3);
    loadAndWait({a});
    QSignalSpy finished(model.get(), &Model::actionFinished);
    QSignalSpy ended(model.get(), &Model::scanEnded);

    model->run(model->result()->items);
    ASSERT_TRUE(model->busy());
    model->load({b});
    EXPECT_EQ(model->message(), "Wait until the current action finishes, then open again.");
    EXPECT_FALSE(model->scanning());
    EXPECT_EQ(model->lastURLs(), QStringList{a});
    model->trash(model->result()->items);
    EXPECT_TRUE(user.asked.isEmpty());
    model->revert();

    waitAction(finished);
    waitScanEnd(ended);
    waitIdle();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(model->result()->root, a);
    EXPECT_EQ(model->result()->items.size(), 2);
    EXPECT_EQ(model->message(), "Sorted");
}

TEST_F(ModelActions, TrashWithOneFailureOutOfThree)
{
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 3, {}, 1, {"LRF"});
    loadAndWait({card});
    model->setSelection({model->result()->items[0].id});
    QFile::remove(clips[1]); // gone behind our back

    QSignalSpy finished(model.get(), &Model::actionFinished);
    model->trash(model->result()->items);
    ASSERT_EQ(user.asked.size(), 1);
    const Confirmation &q = user.asked.first();
    EXPECT_EQ(q.title, "Delete 3 clips?");
    EXPECT_TRUE(q.text.startsWith("They will go to the Trash (")) << q.text.toStdString();
    EXPECT_TRUE(q.text.endsWith(").")) << q.text.toStdString();
    EXPECT_EQ(q.acceptButton, "Delete");
    EXPECT_EQ(q.cancelButton, "Cancel");
    EXPECT_TRUE(q.acceptIsDestructive);
    EXPECT_TRUE(model->busy());
    waitAction(finished);

    EXPECT_FALSE(model->busy());
    EXPECT_EQ(fileNames(model->result()->items), QStringList{QFileInfo(clips[1]).fileName()});
    EXPECT_TRUE(model->message().startsWith("Finished with 1 issue(s):\n" + QFileInfo(clips[1]).fileName() + ": "))
        << model->message().toStdString();
    ASSERT_EQ(model->moves().size(), 4); // two clips with their companions
    for (const Move &m : model->moves())
        EXPECT_TRUE(m.trashed);
    EXPECT_TRUE(model->selection().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(clips[0]));
    EXPECT_TRUE(QFileInfo::exists(model->moves()[0].to));
    EXPECT_FALSE(model->scanning()); // no rescan

    // Undo brings the trashed clips back out of the trash.
    model->revert();
    waitAction(finished, 2);
    EXPECT_TRUE(model->message().startsWith("Undone"));
    EXPECT_TRUE(QFileInfo::exists(clips[0]));
    EXPECT_TRUE(QFileInfo::exists(clips[2]));
}

TEST_F(ModelActions, TrashAsksByNameAndCancelChangesNothing)
{
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 2);
    loadAndWait({card});
    user.acceptTrash = false;
    ChangeCounter changes(*model);
    model->trash({model->result()->items.first()});
    ASSERT_EQ(user.asked.size(), 1);
    EXPECT_EQ(user.asked.first().title, "Delete " + QFileInfo(clips[0]).fileName() + "?");
    QCoreApplication::processEvents();
    EXPECT_TRUE(changes.changed().isEmpty()) << changes.changed().join(", ").toStdString();
    EXPECT_TRUE(QFileInfo::exists(clips[0]));

    // Trashing every clip leaves nothing loaded.
    user.acceptTrash = true;
    QSignalSpy finished(model.get(), &Model::actionFinished);
    model->setSelection({model->result()->items.first().id});
    model->trash(model->result()->items);
    waitAction(finished);
    EXPECT_FALSE(model->result());
    EXPECT_TRUE(model->selection().isEmpty());
    EXPECT_TRUE(model->selectedItems().isEmpty());
    EXPECT_EQ(model->message(), "Moved to Trash");
}

TEST_F(ModelActions, RefreshWhenTheSourcesAreGone)
{
    const QString card = dir("card");
    writeClips(card, 2);
    loadAndWait({card});
    QSignalSpy finished(model.get(), &Model::actionFinished);
    model->rename(renamePlans({model->result()->items.first()}, QStringLiteral("renamed")));
    waitAction(finished);
    ASSERT_FALSE(model->moves().isEmpty());
    model->setOfferOpen(true);

    ASSERT_TRUE(QDir(card).removeRecursively());
    QSignalSpy checked(model.get(), &Model::refreshChecked);
    model->refreshFromDisk();
    ASSERT_TRUE(checked.wait(kWaitMs));
    EXPECT_FALSE(model->result());
    EXPECT_TRUE(model->moves().isEmpty());
    EXPECT_FALSE(model->offerOpen());
    EXPECT_EQ(model->message(), "Folder not found");
}

TEST_F(ModelActions, RefreshRescansOnlyWhenTheClipsChanged)
{
    const QString card = dir("card");
    writeClips(card, 3);
    writeClips(card, 3, fullHdSpec(), 11);
    loadAndWait({card});
    const QString second = model->lib().tabs[1].name;
    model->setTab(second);
    const QString pile = model->lib().sections.first().folder;
    model->setOpenFolder(pile);

    // Nothing changed: not a single field moves.
    {
        ChangeCounter changes(*model);
        QSignalSpy checked(model.get(), &Model::refreshChecked);
        model->refreshFromDisk();
        ASSERT_TRUE(checked.wait(kWaitMs));
        QCoreApplication::processEvents();
        EXPECT_TRUE(changes.changed().isEmpty()) << changes.changed().join(", ").toStdString();
    }

    // A clip added on disk: a rescan that keeps the tab and the open pile.
    writeClips(card, 1, fullHdSpec(), 20);
    QSignalSpy checked(model.get(), &Model::refreshChecked);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->refreshFromDisk();
    ASSERT_TRUE(checked.wait(kWaitMs));
    EXPECT_TRUE(model->scanning());
    waitScanEnd(ended);
    EXPECT_EQ(model->result()->items.size(), 7);
    EXPECT_EQ(model->tab(), second);
    EXPECT_EQ(model->openFolder(), pile);
}

} // namespace
} // namespace vidorra::testing
