// The settings popover, the About panel and the full-size preview, driven with real
// clicks and keys: choices take effect and are stored at once, the preview plays graded
// frames exactly when grading applies, and its keys close it and step through the pile.

#include "helpers/TestHelpers.h"

#include "ui/panels/AboutPanel.h"
#include "kit/Appearance.h"
#include "ClipFixture.h"
#include "kit/HoverTip.h"
#include "kit/IconTool.h"
#include "ui/window/MainWindow.h"
#include "ui/panels/PreviewOverlay.h"
#include "ui/panels/SettingsPanel.h"
#include "kit/SettingsPanelControls.h"
#include "ui/window/TitleRow.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "preview/LUTEngine.h"
#include "ui/frames/PlayerSurface.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QToolButton>
#include <QMediaPlayer>
#include <QSettings>

using namespace vidorra;
using namespace vidorra::uitest;

namespace {

QVariant storedValue(const char *key)
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).value(QLatin1String(key));
}

void clickSegment(SegmentedChoice *choice, const QString &text)
{
    for (int i = 0; i < choice->count(); ++i)
        if (choice->textAt(i) == text)
            return QTest::mouseClick(choice, Qt::LeftButton, {}, choice->segmentRect(i).center());
    ADD_FAILURE() << "no segment " << text.toStdString();
}

// Catches what the panel hands to the desktop (browser, mail program).
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        window.resize(1060, 720);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("aboutPanel"))
                w->close();
    }
    QString folder = freshFolder();
    QWidget window;
    Model model;
};

} // namespace

TEST_F(PanelTest, ChoosingSpanishRelabelsLoadedClipsAndStoresIt)
{
    ASSERT_FALSE(writeClip(folder, QStringLiteral("DJI_0001.MP4"), {.captureFPS = 120}).isEmpty());
    ASSERT_TRUE(loadAndWait(model, {folder}));
    ASSERT_EQ(model.result()->items.size(), 1);
    const Planned english = model.result()->items[0];
    ASSERT_TRUE(english.folder.contains(QStringLiteral("Slowmo"))) << english.folder.toStdString();

    SettingsPanel panel(&model, &window);
    panel.popup();
    clickSegment(panel.languageChoice(), QStringLiteral("Español"));
    EXPECT_EQ(storedValue("appLanguage").toString(), QStringLiteral("es"));
    // Relabelled in place, without a rescan: same record, Spanish folder.
    EXPECT_FALSE(model.scanning());
    EXPECT_EQ(model.result()->items[0].id, english.id);
    EXPECT_TRUE(model.result()->items[0].folder.contains(QStringLiteral("Cámara lenta")))
        << model.result()->items[0].folder.toStdString();
    // The panel speaks the new language too.
    EXPECT_EQ(panel.findChild<QLabel *>(QStringLiteral("languageLabel"))->text(), QStringLiteral("Idioma"));

    clickSegment(panel.languageChoice(), QStringLiteral("English"));
    EXPECT_EQ(storedValue("appLanguage").toString(), QStringLiteral("en"));
    EXPECT_EQ(model.result()->items[0].folder, english.folder);
}

TEST_F(PanelTest, SettingsFollowTheModelAndStoreAppearanceAndSkipIntroAtOnce)
{
    SettingsPanel panel(&model, &window);
    EXPECT_FALSE(panel.isVisible());
    model.setShowSettings(true);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.appearanceChoice()->value(), QStringLiteral("system"));
    clickSegment(panel.appearanceChoice(), QStringLiteral("Dark"));
    EXPECT_EQ(storedValue("appearance").toString(), QStringLiteral("dark"));
    EXPECT_EQ(currentScheme(), Scheme::Dark);
    // The panel itself follows: a dark face in the dark appearance.
    const QImage dark = panel.grab().toImage();
    EXPECT_LT(dark.pixelColor(dark.width() / 2, dark.height() - 4).lightness(), 128);

    EXPECT_FALSE(panel.skipIntroToggle()->isChecked());
    QTest::mouseClick(panel.skipIntroToggle(), Qt::LeftButton, {}, panel.skipIntroToggle()->switchRect().center());
    EXPECT_TRUE(storedValue("skipIntro").toBool());
    QTest::mouseClick(panel.skipIntroToggle(), Qt::LeftButton);
    EXPECT_FALSE(storedValue("skipIntro").toBool());

    // Escape closes the popover, and the model hears of it.
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); }));
    EXPECT_FALSE(model.showSettings());
    // A choice made elsewhere (the window's theme toggle) shows on the next opening.
    Preferences::setAppearance(QStringLiteral("light"));
    model.setShowSettings(true);
    EXPECT_EQ(panel.appearanceChoice()->value(), QStringLiteral("light"));
    model.setShowSettings(false);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PanelTest, ThePopoverStaysInsideTheWindowAtItsSmallestUnderTheSettingsTool)
{
    MainWindow main(&model);
    main.resize(main.minimumSize());
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    model.setShowSettings(true);
    auto *panel = main.findChild<SettingsPanel *>();
    ASSERT_TRUE(panel && panel->isVisible());
    const QRect inside(main.mapToGlobal(QPoint(0, 0)), main.size());
    EXPECT_TRUE(inside.contains(panel->geometry())) << panel->geometry().x() << " " << panel->geometry().width();
    // Still under its tool.
    QWidget *tool = main.titleRow()->settingsTool();
    EXPECT_GT(panel->geometry().top(), tool->mapToGlobal(QPoint(0, tool->height())).y() - 1);
    model.setShowSettings(false);
}

TEST_F(PanelTest, LinksOpenTheSiteSupportAndOneAboutPanel)
{
    const qsizetype before = desktopOpened().size();
    SettingsPanel panel(&model, &window);
    panel.popup();
    QTest::mouseClick(panel.updatesButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return desktopOpened().size() == before + 1; }));
    QTest::mouseClick(panel.supportButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return desktopOpened().size() == before + 2; }));
    // In Spanish the site's "es/" pages.
    clickSegment(panel.languageChoice(), QStringLiteral("Español"));
    QTest::mouseClick(panel.updatesButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return desktopOpened().size() == before + 3; }));
    EXPECT_EQ(desktopOpened().mid(before), (QStringList{SettingsPanel::siteUrl().toString(),
                                                        QStringLiteral("mailto:") + panel.supportButton()->toolTip(),
                                                        SettingsPanel::siteUrl().toString() + QStringLiteral("es/")}));

    // The info button closes the popover and brings the About panel up; a second request
    // raises the same panel instead of stacking another.
    clickSegment(panel.languageChoice(), QStringLiteral("English"));
    QTest::mouseClick(panel.aboutButton(), Qt::LeftButton);
    EXPECT_FALSE(panel.isVisible());
    auto aboutPanels = [] {
        QList<QWidget *> shown;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("aboutPanel") && w->isVisible())
                shown << w;
        return shown;
    };
    ASSERT_EQ(aboutPanels().size(), 1);
    QWidget other;
    other.show();
    other.activateWindow();
    QDialog *about = showAboutPanel(&window);
    EXPECT_EQ(aboutPanels(), QList<QWidget *>{about});
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == about; }, 2000));
}

namespace {

class PreviewTest : public PanelTest {
protected:
    // The frames the overlay shows for `item`, by frame number, until three are in.
    QMap<int, QImage> framesOf(PreviewOverlay &overlay, const Planned &item, bool colorOn)
    {
        QMap<int, QImage> frames;
        model.setLutEnabled(colorOn);
        model.setPreview(item);
        PlayerSurface *surface = overlay.surface();
        QObject::connect(surface, &PlayerSurface::frameShown, surface, [&frames, surface] {
            const QImage f = surface->currentFrame().convertToFormat(QImage::Format_RGBA8888);
            const int n = fixture::frameNumberOf(f.constBits(), f.width(), f.height(), f.bytesPerLine());
            if (n >= 0 && !frames.contains(n))
                frames.insert(n, f);
        });
        waitUntil([&] { return frames.size() >= 3; }, 30000);
        model.setPreview(std::nullopt);
        return frames;
    }
};

} // namespace

TEST_F(PreviewTest, GradedFramesExactlyWhenGradingApplies)
{
    const ClipKind log{.width = 1920, .height = 1080, .realVideo = true};
    const ClipKind normal{.gamma = QStringLiteral("Normal"), .colorCode = 0, .bitDepth = 8, .width = 1920,
                          .height = 1080, .realVideo = true};
    const Planned dlog = scannedClip(folder, QStringLiteral("DJI_LOG.MP4"), log);
    const Planned plain = scannedClip(folder, QStringLiteral("DJI_NORMAL.MP4"), normal);
    const CubePtr table = LUTEngine::cube(dlog.info);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(LUTEngine::cube(plain.info), nullptr);

    PreviewOverlay overlay(&model, &window);
    const auto logOff = framesOf(overlay, dlog, false);
    const auto logOn = framesOf(overlay, dlog, true);
    const auto plainOff = framesOf(overlay, plain, false);
    const auto plainOn = framesOf(overlay, plain, true);
    ASSERT_FALSE(logOff.isEmpty()) << "no frame was shown; does the media backend play here?";

    auto compare = [](const QMap<int, QImage> &a, const QMap<int, QImage> &b, auto check) {
        int compared = 0;
        for (auto it = a.begin(); it != a.end(); ++it)
            if (b.contains(it.key())) {
                check(it.value(), b[it.key()]);
                ++compared;
            }
        EXPECT_GT(compared, 0) << "no frame shown in both runs";
    };
    compare(logOff, logOn, [&](const QImage &off, const QImage &graded) {
        EXPECT_GT(meanDifference(off, graded), 1.5);
        EXPECT_LT(meanDifference(*table->apply(off), graded), 1.0) << "graded with the clip's own table";
    });
    compare(plainOff, plainOn, [](const QImage &off, const QImage &withColorOn) {
        EXPECT_LT(meanDifference(off, withColorOn), 0.5) << "a clip without a table plays as it is";
    });
}

TEST_F(PreviewTest, EscapeSpaceAndADarkClickCloseAndReleaseThePlayer)
{
    const QList<Planned> clips = {scannedClip(folder, QStringLiteral("DJI_0001.MP4"))};
    MainWindow main(&model);
    main.resize(1060, 720);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    PreviewOverlay &overlay = *main.previewOverlay();
    int closings = 0;
    QObject::connect(&model, &Model::previewChanged, [&] { closings += !model.preview(); });

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space}) {
        model.setPreview(clips[0]);
        QPointer<QMediaPlayer> player = overlay.player();
        ASSERT_TRUE(player);
        EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);
        // The pause glyph reads light on the dark controls.
        const QImage glyph = overlay.surface()->findChild<QToolButton *>()->icon().pixmap(16).toImage();
        int light = 0, drawn = 0;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                if (glyph.pixelColor(x, y).alpha() > 128) {
                    ++drawn;
                    light += glyph.pixelColor(x, y).lightness() > 200;
                }
        EXPECT_GT(drawn, 20);
        EXPECT_EQ(light, drawn);

        QTest::keyClick(&overlay, key);
        EXPECT_FALSE(overlay.isVisible());
        EXPECT_TRUE(main.findChild<QWidget *>(QStringLiteral("fadeGhost"))) << "the preview fades out";
        // Paused and emptied at once, and gone once the event loop has run.
        if (player) {
            EXPECT_NE(player->playbackState(), QMediaPlayer::PlayingState);
            EXPECT_TRUE(player->source().isEmpty());
        }
        EXPECT_TRUE(waitUntil([&] { return player.isNull(); }, 5000));
    }

    // A click on the picture belongs to the player; one on the dark area closes.
    model.setPreview(clips[0]);
    const QRect picture = overlay.pictureRect();
    ASSERT_TRUE(picture.isValid());
    QTest::mouseClick(overlay.surface(), Qt::LeftButton, {}, QPoint(picture.width() / 2, 20));
    EXPECT_TRUE(overlay.isOpen());
    QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(overlay.isOpen());
    EXPECT_FALSE(model.preview());
    EXPECT_EQ(closings, 3);
}

TEST_F(PreviewTest, AClipThatCannotBePlayedSaysSo)
{
    QFile junk(folder + QStringLiteral("/broken.MP4"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) > 0);
    junk.close();
    const Planned broken = analyze(junk.fileName(), true);
    const Planned good = scannedClip(folder, QStringLiteral("DJI_0001.MP4"));
    PreviewOverlay overlay(&model, &window);
    model.setPreview(broken);
    EXPECT_TRUE(waitUntil([&] { return overlay.problemText() == QStringLiteral("This clip can't be played."); }));
    EXPECT_FALSE(overlay.surface()->isVisible());
    // The next clip plays again; the dark area still closes.
    model.setPreview(good);
    EXPECT_TRUE(overlay.problemText().isEmpty());
    EXPECT_TRUE(overlay.surface()->isVisible());
    QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(overlay.isOpen());
}

TEST_F(PreviewTest, ItOpensSwitchesAndClosesWithTheModelsPreview)
{
    writeClips(folder, 2);
    ASSERT_TRUE(loadAndWait(model, {folder}));
    const QList<Planned> items = model.result()->items;
    ASSERT_EQ(items.size(), 2);

    PreviewOverlay overlay(&model, &window);
    model.setPreview(items[0]);
    EXPECT_TRUE(overlay.isVisible());
    // Once faded in, the video is drawn directly, not through a lasting effect.
    EXPECT_TRUE(waitUntil([&] { return !overlay.graphicsEffect(); }));
    model.setPreview(items[1]);
    EXPECT_EQ(overlay.player()->source().toLocalFile(), items[1].url);
    EXPECT_EQ(overlay.findChild<QLabel *>(QStringLiteral("previewFileName"))->text(), QFileInfo(items[1].url).fileName());
    model.setPreview(std::nullopt);
    EXPECT_FALSE(overlay.isVisible());
    // The picture it leaves to fade out goes when the fade ends.
    EXPECT_TRUE(waitUntil([&] { return !window.findChild<QWidget *>(QStringLiteral("fadeGhost")); }));
}

#include "test_panels.moc"
