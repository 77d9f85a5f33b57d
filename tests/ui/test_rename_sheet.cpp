// The rename sheet driven with real clicks and keys: token buttons, Reset, Return and
// Escape, the stored template, and a rename carried out through the model.

#include "helpers/PanelTestHelpers.h"

#include "RenameSheet.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "rename/Rename.h"
#include "text/Language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace vidorra;
using namespace vidorra::paneltest;

namespace {

QString stored()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).value(QStringLiteral("renameTemplate")).toString();
}

QAbstractButton *tokenButton(RenameSheet &sheet, const QString &token)
{
    return sheet.findChild<QAbstractButton *>(QStringLiteral("token") + token);
}

class RenameSheetTest : public PanelTest {
protected:
    // Clips named as the camera names them, so every one gets a plan.
    QList<Planned> clips(int count, const QString &folder = {})
    {
        QList<Planned> out;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("DJI_20240131%1_%2_D.MP4")
                                     .arg(120000 + i, 6, 10, QLatin1Char('0'))
                                     .arg(i + 1, 4, 10, QLatin1Char('0'));
            const QString clip = writeClip(folder.isEmpty() ? path() : folder, name);
            EXPECT_FALSE(clip.isEmpty());
            out.append(analyze(clip, true));
        }
        return out;
    }
};

} // namespace

TEST_F(RenameSheetTest, TokenButtonsAppendWithUnderscoreAndEveryChangeIsStored)
{
    const QList<Planned> items = clips(2);
    RenameSheet sheet(items, {});
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));

    // The field starts with the default template, and the list with its plans.
    EXPECT_EQ(sheet.templateText(), defaultRenameTemplate());
    EXPECT_EQ(sheet.planView()->model()->rowCount(), 2);

    sheet.templateField()->selectAll();
    QTest::keyClick(sheet.templateField(), Qt::Key_Backspace);
    EXPECT_EQ(sheet.templateText(), QString());
    EXPECT_EQ(stored(), QString());
    EXPECT_FALSE(sheet.renameButton()->isEnabled()) << "an empty template plans nothing";
    EXPECT_EQ(sheet.planView()->model()->rowCount(), 0);

    QTest::mouseClick(tokenButton(sheet, QStringLiteral("{date}")), Qt::LeftButton);
    EXPECT_EQ(sheet.templateText(), QStringLiteral("{date}"));
    EXPECT_EQ(stored(), QStringLiteral("{date}"));
    QTest::mouseClick(tokenButton(sheet, QStringLiteral("{num}")), Qt::LeftButton);
    EXPECT_EQ(sheet.templateText(), QStringLiteral("{date}_{num}"));
    EXPECT_EQ(stored(), QStringLiteral("{date}_{num}"));

    // Typing goes on at the end after a token, and the list follows every keystroke.
    QTest::keyClicks(sheet.templateField(), QStringLiteral("_x"));
    EXPECT_EQ(stored(), QStringLiteral("{date}_{num}_x"));
    const QModelIndex first = sheet.planView()->model()->index(0, 0);
    EXPECT_EQ(first.data(Qt::UserRole + 1).toString(), QStringLiteral("20240131_0001_x.MP4"));
    EXPECT_EQ(first.data(Qt::DisplayRole).toString(), QFileInfo(items[0].url).fileName());

    // Seven buttons in the documented order, with their labels.
    QStringList labels;
    for (const QString &token : RenameSheet::tokens())
        labels << tokenButton(sheet, token)->text();
    EXPECT_EQ(labels, (QStringList{"Date", "Profile", "Resolution", "FPS", "ISO", "Number", "Original"}));
}

TEST_F(RenameSheetTest, ResetRestoresTheDefaultAndTheListAtOnce)
{
    const QList<Planned> items = clips(3);
    Preferences::setRenameTemplate(QStringLiteral("{name}")); // every clip keeps its name
    RenameSheet sheet(items, {});
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_EQ(sheet.templateText(), QStringLiteral("{name}"));
    EXPECT_EQ(sheet.planView()->model()->rowCount(), 0);
    EXPECT_FALSE(sheet.renameButton()->isEnabled());

    auto *reset = sheet.findChild<QAbstractButton *>(QStringLiteral("renameReset"));
    ASSERT_NE(reset, nullptr);
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(sheet.templateText(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}"));
    EXPECT_EQ(stored(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}"));
    EXPECT_EQ(sheet.planView()->model()->rowCount(), 3);
    EXPECT_TRUE(sheet.renameButton()->isEnabled());
    EXPECT_EQ(sheet.renameButton()->text(), QStringLiteral("Rename 3"));
}

TEST_F(RenameSheetTest, TitleCountsClipsAndTheButtonCountsPlans)
{
    QList<Planned> items = clips(11);
    // A twelfth clip already carries the name the default template gives it.
    const QList<RenamePlan> plans = renamePlans({items[0]}, defaultRenameTemplate());
    ASSERT_EQ(plans.size(), 1);
    const QString kept = QFileInfo(plans[0].to).path() + QStringLiteral("/sub/") + QFileInfo(plans[0].to).fileName();
    QDir().mkpath(QFileInfo(kept).path());
    ASSERT_TRUE(QFile::copy(items[0].url, kept));
    items.append(analyze(kept, true));

    RenameSheet sheet(items, {});
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_EQ(sheet.findChild<QLabel *>(QStringLiteral("renameTitle"))->text(), QStringLiteral("Rename 12 Clips"));
    EXPECT_EQ(sheet.renameButton()->text(), QStringLiteral("Rename 11"));
    EXPECT_EQ(sheet.size(), QSize(600, 440));
}

TEST_F(RenameSheetTest, ReturnConfirmsEscapeCancelsAndNoPlansMeansNothing)
{
    const QList<Planned> items = clips(2);
    QList<QList<RenamePlan>> calls;
    auto record = [&](const QList<RenamePlan> &plans) { calls.append(plans); };

    {
        RenameSheet sheet(items, record);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        QTest::keyClick(sheet.templateField(), Qt::Key_Return);
        ASSERT_EQ(calls.size(), 1);
        EXPECT_EQ(calls[0], renamePlans(items, defaultRenameTemplate()));
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
    }
    {
        RenameSheet sheet(items, record);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        QTest::keyClick(sheet.templateField(), Qt::Key_Escape);
        EXPECT_EQ(calls.size(), 1);
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_EQ(sheet.result(), QDialog::Rejected);
    }
    {
        RenameSheet sheet(items, record);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        sheet.setTemplateText(QStringLiteral("   "));   // trims to nothing: no plans
        QTest::keyClick(sheet.templateField(), Qt::Key_Return);
        EXPECT_EQ(calls.size(), 1);
        EXPECT_TRUE(sheet.isVisible());
    }
}

TEST_F(RenameSheetTest, CancelledSheetKeepsTheEditedTemplateForNextTime)
{
    const QList<Planned> items = clips(1);
    {
        RenameSheet sheet(items, {});
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        QApplication::processEvents();
        QTest::keyClicks(sheet.templateField(), QStringLiteral("_{iso}"));
        QTest::keyClick(sheet.templateField(), Qt::Key_Escape);
        EXPECT_FALSE(sheet.isVisible());
    }
    RenameSheet again(items, {});
    EXPECT_EQ(again.templateText(), QStringLiteral("{date}_{profile}_{res}{fps}_{num}_{iso}"));
}

TEST_F(RenameSheetTest, ConfirmingRenamesThroughTheModelWithCompanions)
{
    ClipOptions withCompanions;
    withCompanions.companions = {QStringLiteral("LRF"), QStringLiteral("SRT")};
    const QString a = writeClip(path(), QStringLiteral("DJI_20240131123456_0007_D.MP4"), withCompanions);
    const QString b = writeClip(path(), QStringLiteral("DJI_20240131123500_0008_D.MP4"));
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());

    Model model;
    ASSERT_TRUE(loadAndWait(model, {path()}));
    ASSERT_EQ(model.result()->items.size(), 2);

    QWidget window;
    window.resize(1060, 720);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Preferences::setRenameTemplate(QStringLiteral("{date}_{num}"));
    RenameSheet *sheet = openRenameSheet(&model, model.result()->items, &window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    EXPECT_TRUE(sheet->isModal());

    QTest::keyClick(sheet->templateField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !model.busy() && model.message() == QStringLiteral("Renamed"); }))
        << model.message().toStdString();

    const QStringList names = QDir(path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{"20240131_0007.LRF", "20240131_0007.MP4", "20240131_0007.SRT",
                                  "20240131_0008.MP4"}));
    EXPECT_EQ(model.moves().size(), 4);
    // The records follow the files under their own ids.
    EXPECT_EQ(QFileInfo(model.result()->items[0].url).fileName(), QStringLiteral("20240131_0007.MP4"));
}

int main(int argc, char **argv)
{
    usePrivateHome();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
