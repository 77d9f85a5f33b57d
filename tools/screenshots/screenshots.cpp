// Starts the application on a generated sample card and saves pictures of it: the intro
// mosaic, the piles, an open pile with a card hovered and selected, the preview, the
// settings (with a colour table chosen for D-Log) and the rename sheet, and the same in
// the dark appearance; then, in Spanish, the piles and an open pile with a menu open, the
// window switched from light to dark, and the settings popover in the smallest window;
// last, a card to import in the empty state and in the File menu (also in Spanish), and
// the import's progress bar.
//
//   vidorra_screenshots <output folder>

#include "app/VidorraApp.h"
#include "SampleCard.h"
#include "ui/panels/RenameSheet.h"
#include "kit/Appearance.h"
#include "ui/piles/CardGrid.h"
#include "ui/piles/ClipCard.h"
#include "kit/IconTool.h"
#include "ui/intro/IntroMosaic.h"
#include "ui/window/MainWindow.h"
#include "kit/OrganizeButton.h"
#include "ui/piles/PileList.h"
#include "ui/window/TitleRow.h"
#include "ui/intro/ChaosTile.h"
#include "ui/window/ColorTables.h"
#include "model/Model.h"
#include "preview/CoverLoader.h"
#include "preview/CubeFormat.h"
#include "model/Preferences.h"
#include "import/Importer.h"
#include "ui/panels/ImportBar.h"
#include <thread>
#include "text/Language.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace vidorra;

namespace {

bool waitUntil(const std::function<bool()> &done, int ms = 60000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

// A look as users bring one: shadows towards teal, highlights towards orange.
bool writeLook(const QString &path)
{
    constexpr int n = 17;
    std::vector<float> rgb;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const float c[3] = {r / float(n - 1), g / float(n - 1), b / float(n - 1)};
                const float y = 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2];
                const float push = (y - 0.5f) * 0.12f;
                rgb.insert(rgb.end(), {c[0] + push, c[1] + push * 0.3f, c[2] - push});
            }
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(cubeText(LUTCube(n, rgb, LUTCube::plainPositions(n)), QStringLiteral("Teal & Orange"))) > 0;
}

// Lets animations settle and pictures arrive.
void settle(int ms) { QTest::qWait(ms); }

// The whole screen, for pictures that include popups and sheets beside the window.
bool saveScreen(const QString &dir, const QString &name)
{
    const QString path = dir + u'/' + name + QStringLiteral(".png");
    QScreen *screen = QGuiApplication::primaryScreen();
    const bool ok = screen && screen->grabWindow(0).save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

bool save(QWidget *window, const QString &dir, const QString &name)
{
    window->repaint();
    const QString path = dir + u'/' + name + QStringLiteral(".png");
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

// The sample card's folder seen as a mounted card: its entry in the empty state and the
// File menu, then its import under way (slowed down so the bar can be seen).
bool importShots(const QString &home, const QString &out)
{
    bool ok = true;
    Preferences::setAppearance(QStringLiteral("light"));
    const QString library = home + QStringLiteral("/Videos");
    QDir().mkpath(library);
    Preferences::setImportFolder(library);
    Preferences::setLastFolderPath(QString()); // start on the empty state
    VidorraApp vidorra;
    bool launched = false;
    QObject::connect(&vidorra, &VidorraApp::launched, [&] { launched = true; });
    vidorra.launch({});
    MainWindow *window = vidorra.window();
    waitUntil([&] { return launched; });
    window->resize(1200, 780);
    Model *model = vidorra.model();
    model->watchCards([home] { return QList<Volume>{{home, QStringLiteral("POCKET 3"), QStringLiteral("/dev/sdb1")}}; });
    waitUntil([&] { return !model->cards().isEmpty(); });
    settle(500);
    ok &= save(window, out, QStringLiteral("card-light"));

    model->setLanguage(QStringLiteral("es"));
    settle(400);
    QMenu *file = window->menuBar()->actions().first()->menu();
    file->popup(window->mapToGlobal(QPoint(8, window->menuBar()->height())));
    settle(400);
    ok &= saveScreen(out, QStringLiteral("card-es-menu"));
    file->hide();
    model->setLanguage(QStringLiteral("en"));
    settle(300);

    setImportFault([](ImportStep step, const QString &, int) {
        if (step == ImportStep::Write)
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
        return 0;
    });
    model->importCard(model->cards().first());
    waitUntil([&] { return model->importStatus().progress.filesDone * 5 >= model->importStatus().progress.filesTotal * 2; });
    settle(1200);
    ok &= save(window, out, QStringLiteral("import-light"));
    model->setLanguage(QStringLiteral("es"));
    settle(400);
    ok &= save(window, out, QStringLiteral("import-es"));
    model->setLanguage(QStringLiteral("en"));
    setImportFault({});
    waitUntil([&] { return !model->importing() && model->result() && !model->scanning(); });
    settle(1500);
    ok &= save(window, out, QStringLiteral("imported-light"));
    window->close();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vidorra-shots-XXXXXX"));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationName(QStringLiteral("Vidorra"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);
    Language::apply(QStringLiteral("en"));

    const QString card = home.path() + QStringLiteral("/DCIM/100MEDIA");
    QDir().mkpath(card);
    samplecard::Options options;
    options.clips = 30;
    if (samplecard::writeCard(card, options) < 0) {
        std::fprintf(stderr, "cannot write the sample card\n");
        return 1;
    }

    bool ok = true;
    for (const QString &mode : {QStringLiteral("light"), QStringLiteral("dark")}) {
        Preferences::setAppearance(mode);
        VidorraApp vidorra;
        bool launched = false;
        QObject::connect(&vidorra, &VidorraApp::launched, [&] { launched = true; });
        vidorra.launch({card});
        MainWindow *window = vidorra.window();
        // After the first-run sizing, so every picture has the same size.
        waitUntil([&] { return launched; });
        window->resize(1200, 780);
        Model *model = vidorra.model();
        if (!waitUntil([&] { return model->result() && !model->scanning() && window->introShown(); })) {
            std::fprintf(stderr, "the intro did not show\n");
            return 1;
        }
        // The tiles play; give them time to show moving pictures.
        waitUntil([&] {
            for (ChaosTile *t : window->introMosaic()->tiles()) {
                if (!t->cover() && !t->tile())
                    return false;
            }
            return true;
        }, 20000);
        settle(1500);
        ok &= save(window, out, QStringLiteral("intro-") + mode);

        QTest::mouseClick(window->introMosaic()->organizeButton(), Qt::LeftButton);
        settle(800);
        ok &= save(window, out, QStringLiteral("piles-") + mode);

        window->enter(model->lib().sections.first().folder);
        settle(400);
        CardGrid *grid = window->cardGrid();
        if (ClipCard *first = grid->cardAt(0))
            QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, QPoint(first->width() / 2, first->height() - 8));
        if (ClipCard *third = grid->cardAt(2))
            QTest::mouseClick(third, Qt::LeftButton, Qt::ControlModifier, QPoint(third->width() / 2, third->height() - 8));
        if (ClipCard *hovered = grid->cardAt(1)) {
            QTest::mouseMove(hovered, QPoint(hovered->width() / 2, hovered->height() - 8));
            settle(200);
            QTest::mouseMove(hovered, QPoint(hovered->width() / 3, hovered->width() * 9 / 32));
        }
        settle(1500);
        ok &= save(window, out, QStringLiteral("pile-") + mode);

        // The full-size preview of the first clip of the pile.
        model->setPreview(model->lib().ordered.first());
        settle(1500);
        ok &= save(window, out, QStringLiteral("preview-") + mode);
        model->setPreview(std::nullopt);
        settle(300);

        // A table chosen for D-Log in the light round; the dark round reads it back at launch.
        ColorTables *tables = window->colorTables();
        if (mode == QLatin1String("light")) {
            const QString look = home.path() + QStringLiteral("/Teal & Orange.cube");
            if (!writeLook(look)) {
                std::fprintf(stderr, "cannot write the colour table\n");
                return 1;
            }
            tables->choose(LUTEngine::Grade::dLog, look);
        }
        waitUntil([&] { return !tables->reading(); });
        model->setShowSettings(true);
        settle(500);
        ok &= saveScreen(out, QStringLiteral("settings-") + mode);
        model->setShowSettings(false);
        settle(300);

        window->openRename();
        settle(600);
        ok &= saveScreen(out, QStringLiteral("rename-") + mode);
        if (RenameSheet *sheet = window->renameSheet())
            sheet->reject();
        settle(300);

        if (mode == QLatin1String("light")) {
            model->setLanguage(QStringLiteral("es"));   // closes the open pile
            settle(500);
            QMenu *file = window->menuBar()->actions().first()->menu();
            file->popup(window->mapToGlobal(QPoint(8, window->menuBar()->height())));
            settle(400);
            ok &= saveScreen(out, QStringLiteral("piles-es-menu"));
            file->hide();
            window->enter(model->lib().sections.first().folder);
            settle(600);
            if (ClipCard *card = grid->cardAt(0)) {
                QMenu *menu = card->makeContextMenu(window);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(card->mapToGlobal(QPoint(card->width() / 2, card->width() / 4)));
                settle(400);
                ok &= saveScreen(out, QStringLiteral("pile-es-menu"));
                menu->close();
            }
            model->setShowSettings(true);
            settle(500);
            ok &= saveScreen(out, QStringLiteral("settings-es"));
            model->setShowSettings(false);
            model->setLanguage(QStringLiteral("en"));
            settle(300);

            // The theme tool switches this light window to dark: every text follows.
            window->enter(std::nullopt);
            window->titleRow()->themeTool()->click();
            settle(800);
            ok &= save(window, out, QStringLiteral("piles-switched-dark"));
            window->titleRow()->themeTool()->click();
            settle(300);

            // The settings popover in the smallest window.
            window->resize(window->minimumSize());
            settle(400);
            model->setShowSettings(true);
            settle(500);
            ok &= saveScreen(out, QStringLiteral("settings-smallest"));
            model->setShowSettings(false);
            settle(200);
        }
        window->close();
    }
    ok &= importShots(home.path(), out);
    // Picture decodes still running must not outlive the application (image plugins).
    waitUntil([] { return CoverLoader::gate().free() == 4 && CoverLoader::gate().waiting() == 0; });
    return ok ? 0 : 1;
}
