// Preferences: the keys other versions read, written at once; and the language
// change, which relabels the loaded clips without a rescan.

#include "ModelHarness.h"

#include "Preferences.h"

#include "metadata/Labels.h"

namespace vidorra::testing {
namespace {

using ModelPrefs = ModelTest;

TEST_F(ModelPrefs, EveryChangeIsOnDiskAtOnceUnderItsKey)
{
    Preferences::setAppearance("dark");
    Preferences::setSkipIntro(true);
    Preferences::setRenameTemplate("{name}");
    Preferences::setLastFolderPath("/media/card");
    Preferences::setWindowSized(true);
    Preferences::setWindowSizeReset(true);
    model->setLanguage("es");
    // A settings object made now reads the file, not a cache of this process.
    const QString file = QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).fileName();
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    const std::pair<const char *, QString> keys[] = {
        {"appearance", "dark"}, {"skipIntro", "true"}, {"renameTemplate", "{name}"}, {"lastFolderPath", "/media/card"},
        {"windowSized4", "true"}, {"windowSizeReset2", "true"}, {"appLanguage", "es"}, {"AppleLanguages", "es"}};
    for (const auto &[key, value] : keys)
        EXPECT_EQ(QSettings(file, QSettings::IniFormat).value(key).toString(), value) << key;
    EXPECT_EQ(Model().language(), "es");
    model->setLanguage("system");
    EXPECT_FALSE(QSettings(file, QSettings::IniFormat).contains("AppleLanguages"));
    EXPECT_FALSE(Language::isSpanish()); // the test system prefers English
}

// Piles close and the selection stays; the slow-motion folder and the unknown
// resolution are worded in Spanish now.
TEST_F(ModelPrefs, LanguageSwitchRelabelsWithoutARescan)
{
    const QString card = dir("card");
    fixture::ClipSpec slowMotion;
    slowMotion.camera->captureFPS = 120;
    writeClips(card, 2, slowMotion);
    writeClips(card, 1, clipSpec(2160, false), 10);
    loadAndWait({card});
    const QList<Planned> before = model->result()->items;
    model->setOpenFolder(before.first().folder);
    model->setSelection({before.first().id});
    QSignalSpy scanning(model.get(), &Model::scanningChanged);
    model->setLanguage("es");
    EXPECT_EQ(scanning.count(), 0);
    EXPECT_FALSE(model->openFolder());
    const QList<Planned> after = model->result()->items;
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[0].id, before[0].id);
    EXPECT_EQ(after[0].label, describe(after[0].info));
    EXPECT_NE(after[0].folder, before[0].folder);
    EXPECT_NE(after[2].resolution, before[2].resolution);
    ASSERT_EQ(model->selectedItems().size(), 1);
    EXPECT_EQ(model->selectedItems().first().folder, after[0].folder);
}

} // namespace
} // namespace vidorra::testing
