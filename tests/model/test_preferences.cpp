// Preferences: every key's default and type, written at once; and the language
// change, which relabels the loaded clips without a rescan.

#include "ModelHarness.h"

#include "Preferences.h"

#include "metadata/Labels.h"
#include "text/Language.h"

#include <QSettings>

namespace vidorra::testing {
namespace {

using ModelPrefs = ModelTest;

QSettings store()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
}

TEST_F(ModelPrefs, DefaultsWhenAbsent)
{
    EXPECT_EQ(Preferences::appLanguage(), "system");
    EXPECT_EQ(Preferences::appearance(), "system");
    EXPECT_FALSE(Preferences::skipIntro());
    EXPECT_EQ(Preferences::renameTemplate(), "{date}_{profile}_{res}{fps}_{num}");
    EXPECT_FALSE(Preferences::lastFolderPath());
    EXPECT_FALSE(Preferences::windowSized());
    EXPECT_FALSE(Preferences::windowSizeReset());
    EXPECT_EQ(model->language(), "system");
}

TEST_F(ModelPrefs, EveryChangeIsOnDiskAtOnce)
{
    Preferences::setAppearance("dark");
    Preferences::setSkipIntro(true);
    Preferences::setRenameTemplate("{name}");
    Preferences::setLastFolderPath("/media/card");
    Preferences::setWindowSized(true);
    Preferences::setWindowSizeReset(true);

    // A settings object made now reads the file, not a cache of this process.
    QSettings fresh(store().fileName(), QSettings::IniFormat);
    EXPECT_EQ(fresh.value("appearance").toString(), "dark");
    EXPECT_TRUE(fresh.value("skipIntro").toBool());
    EXPECT_EQ(fresh.value("renameTemplate").toString(), "{name}");
    EXPECT_EQ(fresh.value("lastFolderPath").toString(), "/media/card");
    EXPECT_TRUE(fresh.value("windowSized4").toBool());
    EXPECT_TRUE(fresh.value("windowSizeReset2").toBool());
    EXPECT_TRUE(store().fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));

    EXPECT_EQ(Preferences::appearance(), "dark");
    EXPECT_TRUE(Preferences::skipIntro());
    EXPECT_EQ(Preferences::renameTemplate(), "{name}");
    EXPECT_EQ(Preferences::lastFolderPath(), "/media/card");
}

TEST_F(ModelPrefs, TheModelStartsWithTheStoredLanguage)
{
    Preferences::setAppLanguage("es");
    Model fresh;
    EXPECT_EQ(fresh.language(), "es");
}

TEST_F(ModelPrefs, ChoosingALanguageWritesBothKeys)
{
    model->setLanguage("es");
    EXPECT_EQ(store().value("appLanguage").toString(), "es");
    EXPECT_EQ(store().value("AppleLanguages").toStringList(), QStringList{"es"});
    EXPECT_TRUE(Language::isSpanish());

    model->setLanguage("system");
    EXPECT_EQ(store().value("appLanguage").toString(), "system");
    EXPECT_FALSE(store().contains("AppleLanguages"));
    EXPECT_FALSE(Language::isSpanish()); // the test system prefers English
}

TEST_F(ModelPrefs, LanguageSwitchRelabelsWithoutARescan)
{
    const QString card = dir("card");
    writeClips(card, 2, slowMotionSpec());
    writeClips(card, 1, foreignSpec(), 10);
    loadAndWait({card});
    const QList<Planned> before = model->result()->items;
    model->setOpenFolder(before.first().folder);
    model->setSelection({before.first().id});

    QSignalSpy scanning(model.get(), &Model::scanningChanged);
    QSignalSpy results(model.get(), &Model::resultChanged);
    model->setLanguage("es");
    EXPECT_EQ(scanning.count(), 0);
    EXPECT_EQ(results.count(), 1);
    EXPECT_FALSE(model->openFolder());
    EXPECT_EQ(model->selection(), QSet<QUuid>{before.first().id});
    ASSERT_EQ(model->selectedItems().size(), 1);

    const QList<Planned> after = model->result()->items;
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].id, before[i].id);
        EXPECT_EQ(after[i].url, before[i].url);
        EXPECT_EQ(after[i].folder, folderName(after[i].info));
        EXPECT_EQ(after[i].label, describe(after[i].info));
        EXPECT_EQ(after[i].profile, profileLabel(after[i].info));
    }
    // The slow-motion folder and the unknown resolution are worded in Spanish now.
    EXPECT_NE(after[0].folder, before[0].folder);
    EXPECT_EQ(after[2].resolution, L("Unknown"));
    EXPECT_NE(after[2].resolution, before[2].resolution);
    EXPECT_EQ(model->selectedItems().first().folder, after[0].folder);
}

} // namespace
} // namespace vidorra::testing
