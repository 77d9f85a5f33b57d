// The colour table of each profile chosen from a .cube file in the settings: what is put
// in force and stored, what a file that cannot be used leaves alone, a restart, a file
// changed on disk, the export, and the cards, piles and preview following a new table.

#include "helpers/TestHelpers.h"

#include "ui/piles/CardGrid.h"
#include "ui/piles/ClipCard.h"
#include "ui/window/ColorTables.h"
#include "ui/window/MainWindow.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileList.h"
#include "ui/panels/PreviewOverlay.h"
#include "ui/panels/SettingsPanel.h"
#include "ui/panels/SettingsPanelColor.h"
#include "kit/SettingsPanelControls.h"

#include "model/Model.h"
#include "model/Preferences.h"
#include "preview/CoverLoader.h"
#include "preview/CubeFile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>

using namespace vidorra;
using namespace vidorra::uitest;
using Grade = LUTEngine::Grade;

namespace {

// A size-2 table of `title` mapping each colour through `f` at the lattice's corners.
QByteArray tableText(const QString &title, const std::function<RGB(RGB)> &f, const QByteArray &tail = {})
{
    QByteArray text = "TITLE \"" + title.toUtf8() + "\"\nLUT_3D_SIZE 2\n";
    for (int i = 0; i < 8; ++i) {
        const RGB out = f({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
        text += QByteArray::number(out[0]) + ' ' + QByteArray::number(out[1]) + ' ' + QByteArray::number(out[2]) + '\n';
    }
    return text + tail;
}

RGB inverted(RGB c) { return {1 - c[0], 1 - c[1], 1 - c[2]}; }
RGB swapped(RGB c) { return {c[2], c[0], c[1]}; }

QString writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

class ColorTablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        folder = freshFolder();
    }
    void TearDown() override
    {
        for (Grade g : LUTEngine::grades)
            LUTEngine::setTable(g, nullptr);   // the engine's tables are the process's
    }
    // Runs `ask` and waits until the tables have applied every read it started.
    static bool settle(ColorTables &tables, const std::function<void()> &ask)
    {
        ask();
        return waitUntil([&] { return !tables.reading(); });
    }
    QString folder;
};

} // namespace

TEST_F(ColorTablesTest, ChoosingPutsATableInForceAndABadFileChangesNothing)
{
    Model model;
    ColorTables tables(&model);
    SettingsPanel panel(&model, nullptr, &tables);
    ColorSection *section = panel.colorSection();
    ASSERT_NE(section, nullptr);
    QString answer;
    section->setOpenChooser([&](Grade) { return answer; });
    panel.popup();
    EXPECT_EQ(section->valueLabel(Grade::dLog)->text(), QStringLiteral("Built-in"));
    EXPECT_FALSE(section->builtInButton(Grade::dLog)->isVisible());

    answer = writeFile(folder + QStringLiteral("/warm.cube"), tableText(QStringLiteral("Warm look"), swapped));
    QSignalSpy changed(&tables, &ColorTables::changed);
    ASSERT_TRUE(settle(tables, [&] { QTest::mouseClick(section->chooseButton(Grade::dLog), Qt::LeftButton); }));
    EXPECT_EQ(changed.size(), 1);
    const CubePtr warm = LUTEngine::table(Grade::dLog);
    EXPECT_NE(warm, LUTEngine::dLog());
    EXPECT_EQ(LUTEngine::table(Grade::dLog2), LUTEngine::dLog2());   // other profiles keep theirs
    EXPECT_EQ(Preferences::lutPath(Preferences::lutPathDLogKey), answer);
    EXPECT_EQ(section->valueLabel(Grade::dLog)->text(), QStringLiteral("Warm look"));
    EXPECT_EQ(section->valueLabel(Grade::dLog)->toolTip(), answer);
    ASSERT_TRUE(waitUntil([&] { return panel.isVisible(); }));   // back after the dialog
    EXPECT_TRUE(section->builtInButton(Grade::dLog)->isVisible());

    // Files that cannot be used: said with the file and the line; the choice stays.
    const struct { QByteArray text; QString name, says; } bad[] = {
        {"LUT_3D_SIZE 2\n0 0 0\n1 0 x\n", QStringLiteral("bad.cube"), QStringLiteral("bad.cube, line 3: “x” is not a number")},
        {QByteArray(), QStringLiteral("gone.cube"), QStringLiteral("gone.cube: No such file or directory")},
    };
    for (const auto &b : bad) {
        answer = folder + u'/' + b.name;
        if (!b.text.isEmpty())
            writeFile(answer, b.text);
        model.setMessage(QString());
        ASSERT_TRUE(settle(tables, [&] { QTest::mouseClick(section->chooseButton(Grade::dLog), Qt::LeftButton); }));
        EXPECT_EQ(model.message(), QStringLiteral("Color table not loaded, the grade stays as it was:\n") + b.says);
        EXPECT_EQ(LUTEngine::table(Grade::dLog), warm);
        EXPECT_TRUE(Preferences::lutPath(Preferences::lutPathDLogKey)->endsWith(QStringLiteral("/warm.cube")));
        EXPECT_EQ(section->valueLabel(Grade::dLog)->text(), QStringLiteral("Warm look"));
    }
    EXPECT_EQ(changed.size(), 1);

    // A cancelled dialog changes nothing either.
    answer.clear();
    QTest::mouseClick(section->chooseButton(Grade::dLog), Qt::LeftButton);
    EXPECT_FALSE(tables.reading());
    EXPECT_EQ(LUTEngine::table(Grade::dLog), warm);

    // The same file for a second profile is read once: one table for both.
    answer = folder + QStringLiteral("/warm.cube");
    ASSERT_TRUE(settle(tables, [&] { QTest::mouseClick(section->chooseButton(Grade::general), Qt::LeftButton); }));
    EXPECT_EQ(LUTEngine::table(Grade::general), warm);

    ASSERT_TRUE(waitUntil([&] { return section->builtInButton(Grade::dLog)->isVisible(); }));
    QTest::mouseClick(section->builtInButton(Grade::dLog), Qt::LeftButton);
    EXPECT_EQ(LUTEngine::table(Grade::dLog), LUTEngine::dLog());
    EXPECT_FALSE(Preferences::lutPath(Preferences::lutPathDLogKey));
    EXPECT_EQ(section->valueLabel(Grade::dLog)->text(), QStringLiteral("Built-in"));
    EXPECT_FALSE(section->builtInButton(Grade::dLog)->isVisible());

    // The section follows the language at once.
    model.setLanguage(QStringLiteral("es"));
    EXPECT_EQ(section->valueLabel(Grade::dLog)->text(), QStringLiteral("Integrada"));
    EXPECT_EQ(section->chooseButton(Grade::dLog)->text(), QStringLiteral("Elegir…"));
    model.setLanguage(QStringLiteral("en"));
}

TEST_F(ColorTablesTest, TheChoiceSurvivesARestartAndAMissingFileIsSaidOnce)
{
    const QString path = writeFile(folder + QStringLiteral("/teal.cube"), tableText(QStringLiteral("Teal"), inverted));
    {
        Model model;
        ColorTables tables(&model);
        ASSERT_TRUE(settle(tables, [&] { tables.choose(Grade::dLog2, path); }));
    }
    LUTEngine::setTable(Grade::dLog2, nullptr);   // as a new process starts

    {
        Model model;
        ColorTables tables(&model);
        SettingsPanel panel(&model, nullptr, &tables);
        ASSERT_TRUE(settle(tables, [&] { tables.restore(); }));
        const CubePtr restored = LUTEngine::table(Grade::dLog2);
        EXPECT_NE(restored, LUTEngine::dLog2());
        EXPECT_EQ(panel.colorSection()->valueLabel(Grade::dLog2)->text(), QStringLiteral("Teal"));
        EXPECT_TRUE(model.message().isEmpty());
    }
    LUTEngine::setTable(Grade::dLog2, nullptr);

    // The file went away between runs: the built-in grade, and the choice kept for later.
    ASSERT_TRUE(QFile::remove(path));
    Model model;
    ColorTables tables(&model);
    SettingsPanel panel(&model, nullptr, &tables);
    ASSERT_TRUE(settle(tables, [&] { tables.restore(); }));
    EXPECT_EQ(model.message(),
              QStringLiteral("Color table not loaded, the grade stays as it was:\nteal.cube: No such file or directory"));
    EXPECT_EQ(LUTEngine::table(Grade::dLog2), LUTEngine::dLog2());
    EXPECT_EQ(Preferences::lutPath(Preferences::lutPathDLog2Key), path);
    panel.popup();
    EXPECT_EQ(panel.colorSection()->valueLabel(Grade::dLog2)->text(),
              QStringLiteral("teal.cube (not loaded, built-in in use)"));
    model.setMessage(QString());
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    EXPECT_TRUE(model.message().isEmpty());   // still gone: not said again

    // Back on disk: the next refresh puts it in force.
    writeFile(path, tableText(QStringLiteral("Teal"), inverted));
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    EXPECT_NE(LUTEngine::table(Grade::dLog2), LUTEngine::dLog2());
    EXPECT_EQ(panel.colorSection()->valueLabel(Grade::dLog2)->text(), QStringLiteral("Teal"));
}

TEST_F(ColorTablesTest, AFileChangedOnDiskIsReadAgainAndABrokenChangeKeepsTheTableInForce)
{
    Model model;
    ColorTables tables(&model);
    const QString path = writeFile(folder + QStringLiteral("/look.cube"), tableText(QStringLiteral("One"), swapped));
    ASSERT_TRUE(settle(tables, [&] { tables.choose(Grade::general, path); }));
    const CubePtr first = LUTEngine::table(Grade::general);

    QSignalSpy changed(&tables, &ColorTables::changed);
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));   // unchanged: the same table
    EXPECT_EQ(LUTEngine::table(Grade::general), first);
    EXPECT_EQ(changed.size(), 0);

    writeFile(path, tableText(QStringLiteral("Second"), inverted));   // another size: a new stamp at once
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    const CubePtr second = LUTEngine::table(Grade::general);
    EXPECT_NE(second, first);
    EXPECT_NE(second->id(), first->id());
    EXPECT_EQ(tables.state(Grade::general).name, QStringLiteral("Second"));
    EXPECT_EQ(changed.size(), 1);

    writeFile(path, tableText(QStringLiteral("Three"), swapped, "0 0 0\n"));
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    EXPECT_EQ(model.message(), QStringLiteral("Color table not loaded, the grade stays as it was:\n"
                                              "look.cube, line 11: more entries than the 8 the sizes announce"));
    EXPECT_EQ(LUTEngine::table(Grade::general), second);
    model.setMessage(QString());
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    EXPECT_TRUE(model.message().isEmpty());   // the same broken file is said once

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(settle(tables, [&] { tables.refresh(); }));
    EXPECT_TRUE(model.message().endsWith(QStringLiteral("look.cube: No such file or directory")));
    EXPECT_EQ(LUTEngine::table(Grade::general), second);
    EXPECT_EQ(changed.size(), 1);

    // Becoming active right after a choice (as when a file dialog of another process
    // closes) reads the old file again, but the choice wins.
    const QString other = writeFile(folder + QStringLiteral("/other.cube"), tableText(QStringLiteral("Other"), swapped));
    writeFile(path, tableText(QStringLiteral("Back again"), inverted));
    ASSERT_TRUE(settle(tables, [&] {
        tables.choose(Grade::general, other);
        tables.refresh();
    }));
    EXPECT_EQ(tables.state(Grade::general).name, QStringLiteral("Other"));
    EXPECT_EQ(Preferences::lutPath(Preferences::lutPathGeneralKey), other);
}

TEST_F(ColorTablesTest, ExportWritesTheBuiltInGradeThatReadsBackBitForBit)
{
    Model model;
    ColorTables tables(&model);
    SettingsPanel panel(&model, nullptr, &tables);
    ColorSection *section = panel.colorSection();
    const QString path = folder + QStringLiteral("/dlog2.cube");
    QString answer = path;
    section->setSaveChooser([&](Grade) { return answer; });
    panel.popup();
    QTest::mouseClick(section->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return section->exportMenu()->isVisible(); }));
    section->exportMenu()->hide();
    QList<QAction *> actions = section->exportMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("D-Log 2"));
    actions[1]->trigger();
    EXPECT_EQ(model.message(), QStringLiteral("Exported dlog2.cube"));
    const CubeFile back = readCubeFile(path);
    ASSERT_TRUE(back.cube);
    EXPECT_EQ(back.cube->size(), 33);
    EXPECT_EQ(back.cube->data(), LUTEngine::dLog2()->data());
    EXPECT_EQ(back.title, QStringLiteral("Vidorra built-in grade for D-Log 2"));

    // Exported while a file is in force: still the built-in grade.
    ASSERT_TRUE(settle(tables, [&] { tables.choose(Grade::dLog2, path); }));
    writeFile(folder + QStringLiteral("/other.cube"), tableText(QStringLiteral("Other"), inverted));
    ASSERT_TRUE(settle(tables, [&] { tables.choose(Grade::dLog2, folder + QStringLiteral("/other.cube")); }));
    actions[1]->trigger();
    EXPECT_EQ(readCubeFile(path).cube->data(), LUTEngine::dLog2()->data());

    answer = folder + QStringLiteral("/no/such/folder/x.cube");
    actions[0]->trigger();
    EXPECT_TRUE(model.message().startsWith(QStringLiteral("The built-in grade was not exported:\nx.cube: ")))
        << model.message().toStdString();
    EXPECT_FALSE(QFile::exists(answer));
}

TEST_F(ColorTablesTest, CardsPilesAndThePreviewShowTheNewTableAtOnce)
{
    CoverLoader::clearCache();
    ASSERT_FALSE(writeClip(folder, QStringLiteral("DJI_0001.MP4")).isEmpty());
    Model model;
    MainWindow window(&model);
    window.resize(1200, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(loadAndWait(model, {folder}));
    model.setLutEnabled(true);
    PileCard *pile = window.pileList()->cards().value(0);
    ASSERT_NE(pile, nullptr);
    ASSERT_TRUE(waitUntil([&] { return pile->cover().has_value(); }));
    const QImage builtInPile = *pile->cover();

    // The ungraded cover, and what the new table makes of it.
    const Planned clip = model.result()->items.first();
    const std::optional<QImage> plain = CoverLoader::render(clip.url, clip.info.duration, nullptr);
    ASSERT_TRUE(plain);
    const QString path = writeFile(folder + QStringLiteral("/invert.cube"), tableText(QStringLiteral("Invert"), inverted));
    ColorTables *tables = window.colorTables();
    ASSERT_TRUE(settle(*tables, [&] { tables->choose(Grade::dLog, path); }));
    const QImage expected = *LUTEngine::table(Grade::dLog)->apply(*plain);
    ASSERT_TRUE(waitUntil([&] { return pile->cover() && *pile->cover() != builtInPile; }));
    EXPECT_EQ(*pile->cover(), expected);

    window.enter(model.lib().sections.first().folder);
    ASSERT_TRUE(waitUntil([&] { return !window.cardGrid()->boundCards().isEmpty(); }));
    ClipCard *card = window.cardGrid()->boundCards().first();
    ASSERT_TRUE(waitUntil([&] { return card->cover().has_value(); }));
    EXPECT_EQ(*card->cover(), expected);

    model.setPreview(clip);
    ASSERT_TRUE(waitUntil([&] { return window.previewOverlay()->isOpen(); }));
    EXPECT_EQ(window.previewOverlay()->gradeTable(), LUTEngine::table(Grade::dLog));

    // Back to the built-in grade: the card and the preview follow without a click.
    tables->useBuiltIn(Grade::dLog);
    EXPECT_EQ(window.previewOverlay()->gradeTable(), LUTEngine::dLog());
    ASSERT_TRUE(waitUntil([&] { return card->cover() && *card->cover() != expected; }));
    EXPECT_EQ(*card->cover(), *LUTEngine::dLog()->apply(*plain));
    model.setPreview(std::nullopt);
}
