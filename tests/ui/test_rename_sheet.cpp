// The rename sheet driven with real clicks and keys: token buttons, Reset, Return and
// Escape, the stored template, and a rename carried out through the model.

#include "helpers/TestHelpers.h"

#include "ui/window/MainWindow.h"
#include "ui/panels/RenameSheet.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "rename/Rename.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>

using namespace vidorra;
using namespace vidorra::uitest;

namespace {

QString stored()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).value(QStringLiteral("renameTemplate")).toString();
}

class RenameSheetTest : public ::testing::Test {
protected:
    void SetUp() override { resetSettings(); }
    // Clips named as the camera names them, so every one gets a plan.
    QList<Planned> clips(int count)
    {
        QList<Planned> out;
        for (int i = 0; i < count; ++i)
            out.append(scannedClip(folder, QStringLiteral("DJI_20240131%1_%2_D.MP4")
                                               .arg(120000 + i, 6, 10, QLatin1Char('0'))
                                               .arg(i + 1, 4, 10, QLatin1Char('0'))));
        return out;
    }
    // A sheet over `items`, shown; confirmed plans go to `confirmed`.
    std::unique_ptr<RenameSheet> shown(const QList<Planned> &items)
    {
        auto sheet = std::make_unique<RenameSheet>(items, [this](const QList<RenamePlan> &plans) { confirmed.append(plans); });
        sheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
        return sheet;
    }
    int rows(RenameSheet &sheet) { return sheet.planView()->model()->rowCount(); }
    QString folder = freshFolder();
    QList<QList<RenamePlan>> confirmed;
};

} // namespace

TEST_F(RenameSheetTest, TokenButtonsAppendWithUnderscoreAndEveryChangeIsStored)
{
    const QList<Planned> items = clips(2);
    auto sheet = shown(items);
    EXPECT_EQ(rows(*sheet), 2);   // the default template plans every clip

    sheet->templateField()->selectAll();
    QTest::keyClick(sheet->templateField(), Qt::Key_Backspace);
    EXPECT_EQ(stored(), QString());
    EXPECT_FALSE(sheet->renameButton()->isEnabled()) << "an empty template plans nothing";
    EXPECT_EQ(rows(*sheet), 0);

    for (const char *token : {"{date}", "{num}"})
        QTest::mouseClick(sheet->findChild<QAbstractButton *>(QStringLiteral("token") + QLatin1String(token)), Qt::LeftButton);
    EXPECT_EQ(sheet->templateText(), QStringLiteral("{date}_{num}"));
    // Typing goes on at the end after a token, and the list follows every keystroke.
    QTest::keyClicks(sheet->templateField(), QStringLiteral("_x"));
    EXPECT_EQ(stored(), QStringLiteral("{date}_{num}_x"));
    const QModelIndex first = sheet->planView()->model()->index(0, 0);
    EXPECT_EQ(first.data(Qt::UserRole + 1).toString(), QStringLiteral("20240131_0001_x.MP4"));
}

TEST_F(RenameSheetTest, ResetRestoresTheDefaultAndTheTitleCountsClipsTheButtonPlans)
{
    QList<Planned> items = clips(11);
    // A twelfth clip already carries the name the default template gives it.
    const QList<RenamePlan> plans = renamePlans({items[0]}, defaultRenameTemplate());
    ASSERT_EQ(plans.size(), 1);
    const QString kept = QFileInfo(plans[0].to).path() + QStringLiteral("/sub/") + QFileInfo(plans[0].to).fileName();
    QDir().mkpath(QFileInfo(kept).path());
    ASSERT_TRUE(QFile::copy(items[0].url, kept));
    items.append(analyze(kept, true));

    Preferences::setRenameTemplate(QStringLiteral("{name}"));   // every clip keeps its name
    auto sheet = shown(items);
    EXPECT_EQ(rows(*sheet), 0);
    EXPECT_FALSE(sheet->renameButton()->isEnabled());
    QTest::mouseClick(sheet->findChild<QAbstractButton *>(QStringLiteral("renameReset")), Qt::LeftButton);
    EXPECT_EQ(sheet->templateText(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}"));
    EXPECT_EQ(stored(), sheet->templateText());
    EXPECT_EQ(rows(*sheet), 11);
    EXPECT_EQ(sheet->findChild<QLabel *>(QStringLiteral("renameTitle"))->text(), QStringLiteral("Rename 12 Clips"));
    EXPECT_EQ(sheet->renameButton()->text(), QStringLiteral("Rename 11"));
}

TEST_F(RenameSheetTest, ReturnConfirmsEscapeCancelsKeepingTheTemplateAndNoPlansMeansNothing)
{
    const QList<Planned> items = clips(2);
    auto sheet = shown(items);
    QTest::keyClick(sheet->templateField(), Qt::Key_Return);
    ASSERT_EQ(confirmed.size(), 1);
    EXPECT_EQ(confirmed[0], renamePlans(items, defaultRenameTemplate()));
    EXPECT_EQ(sheet->result(), QDialog::Accepted);

    // Escape cancels, yet the edited template is kept for next time.
    sheet = shown(items);
    QTest::keyClicks(sheet->templateField(), QStringLiteral("_{iso}"));
    QTest::keyClick(sheet->templateField(), Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(RenameSheet(items, {}).templateText(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}_{iso}"));

    sheet = shown(items);
    sheet->setTemplateText(QStringLiteral("   "));   // trims to nothing: no plans
    QTest::keyClick(sheet->templateField(), Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(confirmed.size(), 1);
}

TEST_F(RenameSheetTest, ConfirmingRenamesThroughTheModelWithCompanions)
{
    const ClipKind withCompanions{.companions = {QStringLiteral("LRF"), QStringLiteral("SRT")}};
    ASSERT_FALSE(writeClip(folder, QStringLiteral("DJI_20240131123456_0007_D.MP4"), withCompanions).isEmpty());
    ASSERT_FALSE(writeClip(folder, QStringLiteral("DJI_20240131123500_0008_D.MP4")).isEmpty());
    Model model;
    ASSERT_TRUE(loadAndWait(model, {folder}));
    ASSERT_EQ(model.result()->items.size(), 2);

    MainWindow window(&model);
    window.resize(1060, 720);
    window.show();
    Preferences::setRenameTemplate(QStringLiteral("{date}_{num}"));
    window.openRename();
    RenameSheet *sheet = window.renameSheet();
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    EXPECT_TRUE(sheet->isModal());
    QTest::keyClick(sheet->templateField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !model.busy() && model.message() == QStringLiteral("Renamed"); }))
        << model.message().toStdString();

    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              (QStringList{"20240131_0007.LRF", "20240131_0007.MP4", "20240131_0007.SRT", "20240131_0008.MP4"}));
    EXPECT_EQ(model.moves().size(), 4);
    // The records follow the files under their own ids.
    EXPECT_EQ(QFileInfo(model.result()->items[0].url).fileName(), QStringLiteral("20240131_0007.MP4"));
}
