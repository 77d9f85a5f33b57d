// Importing a card through the model: the import folder asked for once, the question
// when the folder name is taken, the progress while it runs, and the imported folder
// opened with its message.
#include "ModelHarness.h"

#include "model/Preferences.h"

namespace vidorra::testing {
namespace {

struct ImportingUser : ScriptedUser {
    QString folder;
    int foldersAsked = 0;
    ImportTarget target = ImportTarget::Cancel;
    QStringList targetsAsked;
    QString chooseImportFolder() override { return ++foldersAsked, folder; }
    ImportTarget chooseImportTarget(const QString &existing, const QString &fresh) override
    {
        targetsAsked << existing + u'|' + fresh;
        return target;
    }
};

class ModelImport : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        model->setPrompts(&importing);
        importing.folder = dir("library");
        writeClips(dir("card/DCIM/100MEDIA"), 2, clipSpec(2160), 1, {"LRF"});
        card = Card{work.filePath("card"), "SD_CARD", 2, 0};
    }
    void importAndWait()
    {
        QSignalSpy finished(model.get(), &Model::importFinished);
        QSignalSpy scanned(model.get(), &Model::scanEnded);
        model->importCard(card);
        ASSERT_TRUE(model->importing());
        waitFor(finished);
        if (model->scanning())
            waitFor(scanned);
    }
    ImportingUser importing;
    Card card;
};

TEST_F(ModelImport, TheImportedFolderOpensWithItsMessage)
{
    QList<int> filesDone;
    QObject::connect(model.get(), &Model::importStatusChanged, model.get(),
            [&] { filesDone << model->importStatus().progress.filesDone; });
    importAndWait();
    EXPECT_FALSE(model->importing());
    const QString folder = work.filePath("library/2024-01-31 Pocket");
    EXPECT_EQ(importing.foldersAsked, 1);
    EXPECT_EQ(Preferences::importFolder(), work.filePath("library"));
    ASSERT_TRUE(model->result());
    EXPECT_EQ(model->result()->root, folder);
    EXPECT_EQ(model->result()->items.size(), 2);
    EXPECT_EQ(Preferences::lastFolderPath(), folder);
    EXPECT_TRUE(model->message().startsWith("Imported 2 clips (")) << model->message().toStdString();
    EXPECT_TRUE(model->message().endsWith("), all verified")) << model->message().toStdString();
    ASSERT_FALSE(filesDone.isEmpty());
    EXPECT_EQ(filesDone.last(), 4);
    EXPECT_TRUE(std::is_sorted(filesDone.begin(), filesDone.end()));

    // The same card again: the folder is remembered, its name is taken, a new one is
    // offered, and nothing needs copying.
    importing.target = ImportTarget::NewFolder;
    QSignalSpy finished(model.get(), &Model::importFinished);
    model->importCard(card);
    waitFor(finished);
    EXPECT_EQ(importing.foldersAsked, 1);
    EXPECT_EQ(importing.targetsAsked, QStringList{"2024-01-31 Pocket|2024-01-31 Pocket 2"});
    EXPECT_EQ(model->message(), "Every clip on SD_CARD was imported before");
    EXPECT_FALSE(QFileInfo::exists(work.filePath("library/2024-01-31 Pocket 2")));
}

TEST_F(ModelImport, ATakenFolderNameCancelledImportsNothing)
{
    dir("library/2024-01-31 Pocket");
    Preferences::setImportFolder(work.filePath("library"));
    model->importCard(card);
    EXPECT_FALSE(model->importing());
    EXPECT_EQ(importing.foldersAsked, 0);
    EXPECT_EQ(importing.targetsAsked.size(), 1);
}

TEST_F(ModelImport, NoImportFolderChosenImportsNothing)
{
    importing.folder.clear();
    model->importCard(card);
    EXPECT_FALSE(model->importing());
    EXPECT_FALSE(Preferences::importFolder());
}

TEST_F(ModelImport, ACancelledImportSaysSoAndKeepsWhatWasVerified)
{
    setImportFault([&](ImportStep step, const QString &path, int) {
        if (step == ImportStep::Write && path.contains("0002"))
            QMetaObject::invokeMethod(model.get(), [this] { model->cancelImport(); }, Qt::BlockingQueuedConnection);
        return 0;
    });
    importAndWait();
    setImportFault({});
    EXPECT_TRUE(model->message().startsWith("Import stopped\nImported 1 clip (")) << model->message().toStdString();
    ASSERT_TRUE(model->result());
    EXPECT_EQ(model->result()->items.size(), 1);
}

} // namespace
} // namespace vidorra::testing
