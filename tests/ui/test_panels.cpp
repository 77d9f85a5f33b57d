// The settings popover, the About panel and the full-size preview, driven with real
// clicks and keys: choices take effect and are stored at once, the preview plays graded
// frames exactly when grading applies, and its keys close it and step through the pile.

#include "helpers/PanelTestHelpers.h"

#include "AboutPanel.h"
#include "Appearance.h"
#include "PreviewOverlay.h"
#include "RenameSheet.h"
#include "SettingsPanel.h"
#include "SettingsPanelControls.h"
#include "ClipFixture.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "preview/LUTEngine.h"
#include "preview/PlayerSurface.h"
#include "text/Language.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QMediaPlayer>
#include <QSettings>
#include <QTest>

using namespace vidorra;
using namespace vidorra::paneltest;

namespace {

QVariant storedValue(const char *key)
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).value(QLatin1String(key));
}

void clickSegment(SegmentedChoice *choice, const QString &text)
{
    for (int i = 0; i < choice->count(); ++i)
        if (choice->textAt(i) == text) {
            QTest::mouseClick(choice, Qt::LeftButton, {}, choice->segmentRect(i).center());
            return;
        }
    ADD_FAILURE() << "no segment " << text.toStdString();
}

// Catches what the panel hands to the desktop (browser, mail program).
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "open");
    }
    ~UrlCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class SettingsPanelTest : public PanelTest {
protected:
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("aboutPanel"))
                w->close();
    }
    QWidget window;
    Model model;
};

} // namespace

TEST_F(SettingsPanelTest, FollowsShowSettingsBothWays)
{
    window.resize(1060, 720);
    window.show();
    SettingsPanel panel(&model, &window);
    EXPECT_FALSE(panel.isVisible());
    model.setShowSettings(true);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.width(), 300);

    // Escape closes the popover, and the model hears of it.
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); }));
    EXPECT_FALSE(model.showSettings());

    model.setShowSettings(true);
    EXPECT_TRUE(panel.isVisible());
    model.setShowSettings(false);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(SettingsPanelTest, ChoosingSpanishRelabelsLoadedClipsAndStoresIt)
{
    ClipOptions slowMotion;
    slowMotion.captureFPS = 120;
    slowMotion.playbackFPS = 30;
    ASSERT_FALSE(writeClip(path(), QStringLiteral("DJI_0001.MP4"), slowMotion).isEmpty());
    ASSERT_TRUE(loadAndWait(model, {path()}));
    ASSERT_EQ(model.result()->items.size(), 1);
    const QString englishFolder = model.result()->items[0].folder;
    ASSERT_TRUE(englishFolder.contains(QStringLiteral("Slowmo"))) << englishFolder.toStdString();

    SettingsPanel panel(&model, &window);
    panel.popup();
    const QString idBefore = model.result()->items[0].id.toString();
    clickSegment(panel.languageChoice(), QStringLiteral("Español"));

    EXPECT_EQ(storedValue("appLanguage").toString(), QStringLiteral("es"));
    EXPECT_TRUE(Language::isSpanish());
    EXPECT_EQ(model.language(), QStringLiteral("es"));
    // Relabelled in place, without a rescan: same record, Spanish folder.
    EXPECT_FALSE(model.scanning());
    EXPECT_EQ(model.result()->items[0].id.toString(), idBefore);
    EXPECT_NE(model.result()->items[0].folder, englishFolder);
    EXPECT_TRUE(model.result()->items[0].folder.contains(QStringLiteral("Cámara lenta")))
        << model.result()->items[0].folder.toStdString();
    // The panel speaks the new language too.
    EXPECT_EQ(panel.findChild<QLabel *>(QStringLiteral("languageLabel"))->text(), QStringLiteral("Idioma"));
    EXPECT_EQ(panel.appearanceChoice()->textAt(0), QStringLiteral("Sistema"));

    clickSegment(panel.languageChoice(), QStringLiteral("English"));
    EXPECT_EQ(storedValue("appLanguage").toString(), QStringLiteral("en"));
    EXPECT_EQ(model.result()->items[0].folder, englishFolder);
}

TEST_F(SettingsPanelTest, ChoosingDarkStoresItAndDarkensThePalette)
{
    SettingsPanel panel(&model, &window);
    panel.popup();
    EXPECT_EQ(panel.appearanceChoice()->value(), QStringLiteral("system"));
    EXPECT_LT(qApp->palette().color(QPalette::Window).lightness(), 256);

    clickSegment(panel.appearanceChoice(), QStringLiteral("Dark"));
    EXPECT_EQ(storedValue("appearance").toString(), QStringLiteral("dark"));
    EXPECT_EQ(currentScheme(), Scheme::Dark);
    EXPECT_LT(qApp->palette().color(QPalette::Window).lightness(), 100);

    clickSegment(panel.appearanceChoice(), QStringLiteral("Light"));
    EXPECT_EQ(storedValue("appearance").toString(), QStringLiteral("light"));
    EXPECT_GT(qApp->palette().color(QPalette::Window).lightness(), 150);

    // A choice made elsewhere (the window's theme toggle) shows on the next opening.
    panel.hide();
    Preferences::setAppearance(QStringLiteral("dark"));
    panel.popup();
    EXPECT_EQ(panel.appearanceChoice()->value(), QStringLiteral("dark"));
}

TEST_F(SettingsPanelTest, SkipIntroSwitchIsStoredAtOnce)
{
    SettingsPanel panel(&model, &window);
    panel.popup();
    EXPECT_FALSE(panel.skipIntroToggle()->isChecked());
    QTest::mouseClick(panel.skipIntroToggle(), Qt::LeftButton, {}, panel.skipIntroToggle()->switchRect().center());
    EXPECT_TRUE(storedValue("skipIntro").toBool());
    QTest::mouseClick(panel.skipIntroToggle(), Qt::LeftButton);
    EXPECT_FALSE(storedValue("skipIntro").toBool());
}

TEST_F(SettingsPanelTest, LinksOpenTheSiteSupportAndAbout)
{
    UrlCatcher catcher;
    SettingsPanel panel(&model, &window);
    panel.popup();
    QTest::mouseClick(panel.updatesButton(), Qt::LeftButton);
    QTest::mouseClick(panel.supportButton(), Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 2);
    EXPECT_EQ(catcher.opened[0], SettingsPanel::siteUrl());
    EXPECT_TRUE(catcher.opened[0].toString().endsWith(u'/'));
    EXPECT_EQ(catcher.opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(catcher.opened[1].path(), panel.supportButton()->toolTip());

    // In Spanish the site's "es/" pages.
    clickSegment(panel.languageChoice(), QStringLiteral("Español"));
    QTest::mouseClick(panel.updatesButton(), Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 3);
    EXPECT_EQ(catcher.opened[2].toString(), SettingsPanel::siteUrl().toString() + QStringLiteral("es/"));

    // The info button closes the popover and brings the About panel up.
    QTest::mouseClick(panel.aboutButton(), Qt::LeftButton);
    EXPECT_FALSE(panel.isVisible());
    QDialog *about = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("aboutPanel") && w->isVisible())
            about = qobject_cast<QDialog *>(w);
    ASSERT_NE(about, nullptr);
}

TEST_F(SettingsPanelTest, AboutPanelShowsCreditsWithOneBlankLineAndComesBackToFront)
{
    QDialog *about = showAboutPanel(&window);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    const QString credits = about->findChild<QLabel *>(QStringLiteral("aboutCredits"))->text();
    const QStringList paragraphs = credits.split(QStringLiteral("\n"));
    ASSERT_EQ(paragraphs.size(), 3) << credits.toStdString();
    EXPECT_EQ(paragraphs[0], QStringLiteral("Organizes D-Log and D-Log 2 clips from DJI Osmo Pocket cameras."));
    EXPECT_TRUE(paragraphs[1].isEmpty());
    EXPECT_TRUE(paragraphs[2].startsWith(QStringLiteral("DJI and Osmo are trademarks")));
    EXPECT_EQ(about->findChild<QLabel *>(QStringLiteral("aboutName"))->text(), QStringLiteral("Vidorra"));
    EXPECT_FALSE(about->findChild<QLabel *>(QStringLiteral("aboutIcon"))->pixmap().isNull());

    // A second request raises the same panel instead of stacking another.
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_EQ(showAboutPanel(&window), about);
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == about; }, 2000));
}

// ---- the full-size preview ----

namespace {

class PreviewOverlayTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        window.resize(900, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    Planned clip(const QString &name, ClipOptions options = {})
    {
        const QString file = writeClip(path(), name, options);
        EXPECT_FALSE(file.isEmpty());
        return analyze(file, true);
    }

    QList<Planned> pile(int count)
    {
        QList<Planned> out;
        for (int i = 0; i < count; ++i)
            out.append(clip(QStringLiteral("DJI_%1.MP4").arg(i + 1, 4, 10, QLatin1Char('0'))));
        return out;
    }

    // The frames the overlay shows for `item`, by frame number, until `count` are in.
    QMap<int, QImage> framesOf(PreviewOverlay &overlay, const Planned &item, bool colorOn, int count = 3)
    {
        QMap<int, QImage> frames;
        overlay.open(item, colorOn);
        PlayerSurface *surface = overlay.surface();
        QObject::connect(surface, &PlayerSurface::frameShown, surface, [&frames, surface] {
            const QImage f = surface->currentFrame().convertToFormat(QImage::Format_RGBA8888);
            const int n = fixture::frameNumberOf(f.constBits(), f.width(), f.height(), f.bytesPerLine());
            if (n >= 0 && !frames.contains(n))
                frames.insert(n, f);
        });
        waitUntil([&] { return frames.size() >= count; }, 30000);
        overlay.dismiss();
        return frames;
    }

    QWidget window;
};

ClipOptions realVideo(const QString &profile, qint64 colorCode, qint64 bitDepth)
{
    ClipOptions o;
    o.realVideo = true;
    o.profile = profile;
    o.colorCode = colorCode;
    o.bitDepth = bitDepth;
    o.width = 1920;
    o.height = 1080;
    o.videoWidth = 320;
    o.videoHeight = 180;
    return o;
}

} // namespace

TEST_F(PreviewOverlayTest, GradedFramesExactlyWhenGradingApplies)
{
    const Planned dlog = clip(QStringLiteral("DJI_LOG.MP4"), realVideo(QStringLiteral("D-Log"), 2, 10));
    const Planned normal = clip(QStringLiteral("DJI_NORMAL.MP4"), realVideo(QStringLiteral("Normal"), 0, 8));
    ASSERT_NE(LUTEngine::cube(dlog.info), nullptr);
    ASSERT_EQ(LUTEngine::cube(normal.info), nullptr);

    PreviewOverlay overlay(&window);
    const auto logOff = framesOf(overlay, dlog, false);
    const auto logOn = framesOf(overlay, dlog, true);
    const auto normalOff = framesOf(overlay, normal, false);
    const auto normalOn = framesOf(overlay, normal, true);
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
    const CubePtr table = LUTEngine::cube(dlog.info);
    compare(logOff, logOn, [&](const QImage &plain, const QImage &graded) {
        EXPECT_GT(meanDifference(plain, graded), 1.5);
        EXPECT_LT(meanDifference(*table->apply(plain), graded), 1.0) << "graded with the clip's own table";
    });
    compare(normalOff, normalOn, [](const QImage &plain, const QImage &withColorOn) {
        EXPECT_LT(meanDifference(plain, withColorOn), 0.5) << "a clip without a table plays as it is";
    });
}

TEST_F(PreviewOverlayTest, EscapeSpaceAndADarkClickCloseAndReleaseThePlayer)
{
    const QList<Planned> clips = pile(1);
    PreviewOverlay overlay(&window);
    int closings = 0;
    QObject::connect(&overlay, &PreviewOverlay::closed, [&] { ++closings; });

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space}) {
        overlay.open(clips[0], false, clips);
        EXPECT_TRUE(overlay.isVisible());
        EXPECT_EQ(overlay.geometry(), window.rect());
        QPointer<QMediaPlayer> player = overlay.player();
        ASSERT_TRUE(player);
        EXPECT_EQ(player->source().toLocalFile(), clips[0].url);
        EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);

        QTest::keyClick(&overlay, key);
        EXPECT_FALSE(overlay.isVisible());
        EXPECT_FALSE(overlay.isOpen());
        // Paused and emptied at once, and gone once the event loop has run.
        if (player) {
            EXPECT_NE(player->playbackState(), QMediaPlayer::PlayingState);
            EXPECT_TRUE(player->source().isEmpty());
        }
        EXPECT_TRUE(waitUntil([&] { return player.isNull(); }, 5000));
    }
    EXPECT_EQ(closings, 2);

    // A click on the picture belongs to the player; one on the dark area closes.
    overlay.open(clips[0], false, clips);
    const QRect picture = overlay.pictureRect();
    ASSERT_TRUE(picture.isValid());
    EXPECT_GE(picture.left(), 60);
    EXPECT_GE(picture.top(), 44);
    QTest::mouseClick(overlay.surface(), Qt::LeftButton, {}, QPoint(picture.width() / 2, 20));
    EXPECT_TRUE(overlay.isOpen());
    QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(overlay.isOpen());
    EXPECT_EQ(closings, 3);
}

TEST_F(PreviewOverlayTest, ArrowsStepWithinThePileAndStopAtItsEnds)
{
    const QList<Planned> clips = pile(3);
    PreviewOverlay overlay(&window);
    overlay.open(clips[1], false, clips);
    QList<QString> stepped;
    QObject::connect(&overlay, &PreviewOverlay::stepped, [&](const Planned &p) { stepped << p.url; });

    QTest::keyClick(&overlay, Qt::Key_Right);
    EXPECT_EQ(overlay.item()->id, clips[2].id);
    EXPECT_EQ(overlay.player()->source().toLocalFile(), clips[2].url);
    QTest::keyClick(&overlay, Qt::Key_Right); // the last clip: no wrap-around
    EXPECT_EQ(overlay.item()->id, clips[2].id);
    QTest::keyClick(&overlay, Qt::Key_Left);
    QTest::keyClick(&overlay, Qt::Key_Left);
    EXPECT_EQ(overlay.item()->id, clips[0].id);
    QTest::keyClick(&overlay, Qt::Key_Left); // the first clip
    EXPECT_EQ(overlay.item()->id, clips[0].id);
    EXPECT_EQ(stepped, (QList<QString>{clips[2].url, clips[1].url, clips[0].url}));

    // The file name line names the clip shown.
    EXPECT_EQ(overlay.findChild<QLabel *>(QStringLiteral("previewFileName"))->text(), QStringLiteral("DJI_0001.MP4"));
}

TEST_F(PreviewOverlayTest, BoundToTheModelItOpensStepsAndClosesWithPreview)
{
    Model model;
    ASSERT_TRUE(writeClip(path(), QStringLiteral("DJI_0001.MP4")).size());
    ASSERT_TRUE(writeClip(path(), QStringLiteral("DJI_0002.MP4")).size());
    ASSERT_TRUE(loadAndWait(model, {path()}));
    const QList<Planned> items = model.result()->items;
    ASSERT_EQ(items.size(), 2);

    PreviewOverlay overlay(&window);
    overlay.bind(&model, [&] { return items; });
    model.setPreview(items[0]);
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_EQ(overlay.item()->id, items[0].id);

    QTest::keyClick(&overlay, Qt::Key_Right);
    ASSERT_TRUE(model.preview());
    EXPECT_EQ(model.preview()->id, items[1].id);

    QTest::keyClick(&overlay, Qt::Key_Escape);
    EXPECT_FALSE(model.preview().has_value());
    EXPECT_FALSE(overlay.isVisible());

    // Cleared from outside (the window's Escape), the overlay goes too.
    model.setPreview(items[1]);
    EXPECT_TRUE(overlay.isVisible());
    model.setPreview(std::nullopt);
    EXPECT_FALSE(overlay.isVisible());
}

// Pictures of every panel in both appearances and in Spanish, for a person to look at
// (written next to the test binary, under panel-shots/). Each must follow the palette:
// a dark panel with light text in the dark appearance.
TEST_F(PreviewOverlayTest, PicturesInBothAppearancesAndSpanish)
{
    const Planned shown = clip(QStringLiteral("DJI_20240131123456_0007_D.MP4"), realVideo(QStringLiteral("D-Log"), 2, 10));
    QList<Planned> many = {shown};
    for (int i = 0; i < 11; ++i)
        many.append(clip(QStringLiteral("DJI_20240131%1_%2_D.MP4").arg(130000 + i).arg(i + 20, 4, 10, QLatin1Char('0'))));
    Model model;

    struct Look {
        const char *name;
        const char *appearance;
        const char *language;
    };
    for (const Look look : {Look{"light", "light", "en"}, Look{"dark", "dark", "en"}, Look{"spanish", "light", "es"}}) {
        applyAppearance(QLatin1String(look.appearance));
        Language::apply(QLatin1String(look.language));
        const bool dark = QLatin1String(look.appearance) == QLatin1String("dark");

        SettingsPanel settings(&model, &window);
        settings.popup();
        QApplication::processEvents();
        const QImage panel = shoot(&settings, QStringLiteral("settings-") + QLatin1String(look.name));
        EXPECT_EQ(panel.width(), 300 * int(settings.devicePixelRatio()));
        const QColor background = panel.pixelColor(panel.width() / 2, panel.height() - 4);
        EXPECT_EQ(background.lightness() < 128, dark) << look.name;
        settings.hide();

        RenameSheet sheet(many, {}, &window);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        shoot(&sheet, QStringLiteral("rename-") + QLatin1String(look.name));
        sheet.close();

        QDialog *about = showAboutPanel(&window);
        QApplication::processEvents();
        shoot(about, QStringLiteral("about-") + QLatin1String(look.name));
        about->close();

        PreviewOverlay overlay(&window);
        overlay.open(shown, true, many);
        waitUntil([&] { return overlay.surface()->framesShown() > 0; }, 20000);
        QApplication::processEvents();
        shoot(&window, QStringLiteral("preview-") + QLatin1String(look.name));
        overlay.dismiss();
    }
}

int main(int argc, char **argv)
{
    usePrivateHome();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "test_panels.moc"
