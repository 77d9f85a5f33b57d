// Start-up: the hand-over to a running instance, the first-run size, the one-time reset
// of stored frames, the launch order and the menus.

#include "SingleInstance.h"
#include "VidorraApp.h"
#include "WindowFrames.h"
#include "ClipFixture.h"
#include "ui/Appearance.h"
#include "ui/MainWindow.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "CoverLoader.h"
#include "text/Language.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <thread>

using namespace vidorra;

namespace {

QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-app-XXXXXX"));
    return dir;
}

void clearSettings()
{
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
    settings.clear();
    settings.sync();
}

QString uniqueKey()
{
    return QStringLiteral("vidorra-test-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
}

bool waitUntil(const std::function<bool()> &done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

QString folderWithClips(int count)
{
    static int n = 0;
    const QString dir = home().path() + QStringLiteral("/card-%1").arg(++n);
    QDir().mkpath(dir);
    for (int i = 1; i <= count; ++i)
        fixture::writeClip(dir + QStringLiteral("/DJI_%1.MP4").arg(i, 4, 10, QLatin1Char('0')), {});
    return dir;
}

} // namespace

TEST(HandOver, MessagesRoundTripAndRejectNonsense)
{
    const QStringList paths = {QStringLiteral("/a/b c.mp4"), QStringLiteral("/ñ/DCIM")};
    EXPECT_EQ(decodeHandOver(encodeHandOver(paths)), paths);
    EXPECT_EQ(decodeHandOver(encodeHandOver({})), QStringList{});
    // Incomplete: wait for more.
    const QByteArray whole = encodeHandOver(paths);
    EXPECT_FALSE(decodeHandOver(whole.left(whole.size() - 1)));
    EXPECT_FALSE(decodeHandOver(whole.left(2)));
    // A length no hand-over has is refused outright.
    bool malformed = false;
    EXPECT_FALSE(decodeHandOver(QByteArray::fromHex("7fffffff41"), &malformed));
    EXPECT_TRUE(malformed);
}

TEST(HandOver, ASecondLaunchGivesItsPathsToTheRunningOne)
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    // Nobody runs yet: the hand-over fails and the first launch becomes the instance.
    EXPECT_FALSE(first.handOver({QStringLiteral("/x")}, 500));
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::pathsReceived);

    // The second launch blocks while it hands over, so it runs on its own thread here.
    bool handed = false;
    std::thread second([&] {
        SingleInstance other(key);
        handed = other.handOver({QStringLiteral("/card/DCIM"), QStringLiteral("/card/clip.MP4")});
    });
    ASSERT_TRUE(waitUntil([&] { return received.count() == 1; }));
    second.join();
    EXPECT_TRUE(handed);
    EXPECT_EQ(received.first().first().toStringList(),
              (QStringList{QStringLiteral("/card/DCIM"), QStringLiteral("/card/clip.MP4")}));

    // A launch without paths only asks the running one to come forward.
    std::thread third([&] { handed = SingleInstance(key).handOver({}); });
    ASSERT_TRUE(waitUntil([&] { return received.count() == 2; }));
    third.join();
    EXPECT_TRUE(handed);
    EXPECT_TRUE(received.last().first().toStringList().isEmpty());
}

TEST(HandOver, ASocketLeftByACrashedRunIsTakenOver)
{
    const QString key = uniqueKey();
    {
        // A listener that goes away without cleaning up leaves its socket file behind;
        // simulate it with a plain file at the socket's place.
        QLocalServer stale;
        ASSERT_TRUE(stale.listen(key));
        const QString socketPath = stale.fullServerName();
        stale.close();
        QFile file(socketPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(key);
    EXPECT_TRUE(instance.listen());
}

TEST(FirstRun, FrameIsAtMost1024By704AndCentred)
{
    EXPECT_EQ(firstRunFrame(QRect(0, 25, 1440, 875)), QRect(208, 110, 1024, 704));
    EXPECT_EQ(firstRunFrame(QRect(0, 0, 900, 600)), QRect(0, 0, 900, 600));
    EXPECT_EQ(firstRunFrame(QRect(1920, 0, 1920, 1080)), QRect(1920 + 448, 188, 1024, 704));
}

TEST(FirstRun, SizesOnceAndRemembersIt)
{
    clearSettings();
    QWidget window;
    window.setMinimumSize(1030, 540);
    EXPECT_FALSE(sizeOnFirstRun(nullptr));
    EXPECT_FALSE(Preferences::windowSized());   // no window: tried again next time
    ASSERT_TRUE(sizeOnFirstRun(&window));
    const QRect visible = window.screen()->availableGeometry();
    EXPECT_EQ(window.geometry().size(), QSize(std::min(visible.width(), 1024), std::min(visible.height(), 704)));
    EXPECT_TRUE(Preferences::windowSized());
    window.resize(1200, 800);
    EXPECT_FALSE(sizeOnFirstRun(&window));
    EXPECT_EQ(window.size(), QSize(1200, 800));
}

TEST(FirstRun, StoredFramesAreResetOnce)
{
    clearSettings();
    {
        QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
        settings.setValue(QStringLiteral("NSWindow Frame main"), QByteArray("old"));
        settings.setValue(QStringLiteral("NSWindow Frame other"), QByteArray("old"));
        settings.setValue(QStringLiteral("appearance"), QStringLiteral("dark"));
        EXPECT_EQ(resetSavedFramesOnce(settings), 2);
        EXPECT_FALSE(settings.contains(QStringLiteral("NSWindow Frame main")));
        EXPECT_TRUE(settings.contains(QStringLiteral("appearance")));
        EXPECT_TRUE(settings.value(QStringLiteral("windowSizeReset2")).toBool());
    }
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
    settings.setValue(QStringLiteral("NSWindow Frame main"), QByteArray("new"));
    EXPECT_EQ(resetSavedFramesOnce(settings), 0);
    EXPECT_TRUE(settings.contains(QStringLiteral("NSWindow Frame main")));
}

TEST(Launch, StoredDarkAppearanceMenusAndQuitting)
{
    clearSettings();
    Preferences::setAppearance(QStringLiteral("dark"));
    VidorraApp app;
    QSignalSpy launched(&app, &VidorraApp::launched);
    app.launch({});
    EXPECT_EQ(currentScheme(), Scheme::Dark);
    EXPECT_EQ(schemeOf(app.window()), Scheme::Dark);
    EXPECT_EQ(app.window()->windowTitle(), QStringLiteral("Vidorra"));
    EXPECT_EQ(app.window()->minimumSize(), QSize(1030, 540));
    ASSERT_TRUE(waitUntil([&] { return launched.count() == 1; }));
    EXPECT_TRUE(Preferences::windowSized());

    EXPECT_EQ(app.openAction()->text(), QStringLiteral("Open…"));
    EXPECT_EQ(app.openAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(app.settingsAction()->text(), QStringLiteral("Settings…"));
    EXPECT_EQ(app.settingsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(app.aboutAction()->text(), QStringLiteral("About Vidorra"));
    QTest::keyClick(app.window(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(app.model()->showSettings());

    // Closing the window leaves no window open, and the application quits on that.
    EXPECT_TRUE(qApp->quitOnLastWindowClosed());
    app.window()->close();
    EXPECT_FALSE(app.window()->isVisible());
    for (QWindow *w : QGuiApplication::topLevelWindows())
        EXPECT_FALSE(w->isVisible() && w->type() == Qt::Window) << qPrintable(w->objectName());
    applyAppearance(QStringLiteral("light"));
}

TEST(Launch, HandedPathsWinOverTheLastFolder)
{
    clearSettings();
    const QString last = folderWithClips(2);
    const QString handed = folderWithClips(3);
    Preferences::setLastFolderPath(last);
    VidorraApp app;
    QSignalSpy launched(&app, &VidorraApp::launched);
    app.launch({handed});
    ASSERT_TRUE(waitUntil([&] { return launched.count() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return app.model()->result() && !app.model()->scanning(); }));
    EXPECT_EQ(app.model()->lastURLs(), QStringList{handed});
    EXPECT_EQ(app.model()->result()->items.size(), 3);
    app.window()->close();
}

TEST(Launch, TheLastFolderIsRestored)
{
    clearSettings();
    const QString last = folderWithClips(2);
    Preferences::setLastFolderPath(last);
    VidorraApp app;
    app.launch({});
    ASSERT_TRUE(waitUntil([&] { return app.model()->result() && !app.model()->scanning(); }));
    EXPECT_EQ(app.model()->lastURLs(), QStringList{last});
    app.window()->close();
}

int main(int argc, char **argv)
{
    const QString h = home().path();
    QDir(h).mkpath(QStringLiteral("config"));
    QDir(h).mkpath(QStringLiteral("data"));
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (h + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationName(QStringLiteral("Vidorra"));
    Language::apply(QStringLiteral("en"));
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // Picture decodes still running must not outlive the application (image plugins).
    waitUntil([] { return CoverLoader::gate().free() == 4 && CoverLoader::gate().waiting() == 0; });
    return failed;
}
