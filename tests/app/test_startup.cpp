// Start-up: the hand-over to a running instance, the first-run size, the one-time reset
// of stored frames, the launch order, the chosen colour tables, and quitting.

#include "../ui/helpers/TestHelpers.h"

#include "app/SingleInstance.h"
#include "app/VidorraApp.h"
#include "app/WindowFrames.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "preview/LUTEngine.h"
#include "kit/Appearance.h"
#include "ui/window/ColorTables.h"
#include "ui/window/EmptyState.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QLocalServer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::uitest;

TEST(HandOver, MessagesRoundTripAndRejectNonsense)
{
    const QStringList paths = {QStringLiteral("/a/b c.mp4"), QStringLiteral("/ñ/DCIM")};
    const QByteArray whole = encodeHandOver(paths);
    EXPECT_EQ(decodeHandOver(whole), paths);
    // Incomplete: wait for more.
    EXPECT_FALSE(decodeHandOver(whole.left(whole.size() - 1)));
    EXPECT_FALSE(decodeHandOver(whole.left(2)));
    // A length no hand-over has is refused outright.
    bool malformed = false;
    EXPECT_FALSE(decodeHandOver(QByteArray::fromHex("7fffffff41"), &malformed));
    EXPECT_TRUE(malformed);
}

TEST(HandOver, ASecondLaunchGivesItsPathsToTheRunningOne)
{
    const QString key = QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance first(key);
    // Nobody runs yet: the hand-over fails and the first launch becomes the instance.
    EXPECT_FALSE(first.handOver({QStringLiteral("/x")}, 500));
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::pathsReceived);

    // The second launch blocks while it hands over, so it runs on its own thread here.
    const QStringList paths = {QStringLiteral("/card/DCIM"), QStringLiteral("/card/clip.MP4")};
    bool handed = false;
    std::thread second([&] { handed = SingleInstance(key).handOver(paths); });
    ASSERT_TRUE(waitUntil([&] { return received.count() == 1; }));
    second.join();
    EXPECT_TRUE(handed);
    EXPECT_EQ(received.first().first().toStringList(), paths);

    // A launch without paths only asks the running one to come forward.
    std::thread third([&] { handed = SingleInstance(key).handOver({}); });
    ASSERT_TRUE(waitUntil([&] { return received.count() == 2; }));
    third.join();
    EXPECT_TRUE(handed);
    EXPECT_TRUE(received.last().first().toStringList().isEmpty());
}

TEST(HandOver, ASocketLeftByACrashedRunIsTakenOver)
{
    const QString key = QUuid::createUuid().toString(QUuid::Id128);
    {
        // A crashed listener leaves its socket file behind: a plain file in its place.
        QLocalServer stale;
        ASSERT_TRUE(stale.listen(key));
        const QString socketPath = stale.fullServerName();
        stale.close();
        QFile file(socketPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(SingleInstance(key).listen());
}

namespace {
// Sets environment variables for one test and puts them back after it.
class ScopedEnv {
public:
    void set(const char *name, const QString &value)
    {
        if (!saved.contains(name))
            saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnv()
    {
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            *it ? qputenv(it.key(), **it) : qunsetenv(it.key());
    }
private:
    QMap<const char *, std::optional<QByteArray>> saved;
};
} // namespace

TEST(HandOver, OneSocketPerSessionAndDisplayInTheUsersPrivateFolder)
{
    EXPECT_EQ(SingleInstance::socketName("3", ":0"), QStringLiteral("vidorra-3-_0.sock"));
    EXPECT_NE(SingleInstance::socketName("3", ":0"), SingleInstance::socketName("4", ":0"));
    EXPECT_NE(SingleInstance::socketName("3", ":0"), SingleInstance::socketName("3", ":1"));
    // Whatever the environment holds, the name stays one file name.
    EXPECT_EQ(SingleInstance::socketName("../..", QString()), QStringLiteral("vidorra-.._..-nodisplay.sock"));
    EXPECT_EQ(SingleInstance::socketName("..", "wayland-0"), QStringLiteral("vidorra-nosession-wayland-0.sock"));

    QTemporaryDir base;
    const QString runtime = base.path() + QStringLiteral("/run"), temp = base.path() + QStringLiteral("/tmp");
    ASSERT_EQ(::mkdir(QFile::encodeName(runtime).constData(), 0700), 0);
    ASSERT_TRUE(QDir().mkpath(temp));
    ScopedEnv env;
    env.set("XDG_RUNTIME_DIR", runtime);
    env.set("XDG_SESSION_ID", QStringLiteral("7"));
    env.set("WAYLAND_DISPLAY", QString());
    env.set("DISPLAY", QStringLiteral(":5"));
    env.set("TMPDIR", temp);
    const QString key = SingleInstance::defaultKey();
    EXPECT_EQ(key, runtime + QStringLiteral("/vidorra-7-_5.sock"));
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.listen());
        EXPECT_TRUE(SingleInstance::isOwnSocket(key));
    }

    // A runtime folder others may enter is passed over for a private one of our own.
    ::chmod(QFile::encodeName(runtime).constData(), 0755);
    const QString own = temp + QStringLiteral("/vidorra-%1").arg(::getuid());
    EXPECT_EQ(SingleInstance::runtimeFolder(), own);
    EXPECT_EQ(QFileInfo(own).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    // That one left open to others (made by someone first): no single instance at all.
    ::chmod(QFile::encodeName(own).constData(), 0777);
    EXPECT_TRUE(SingleInstance::defaultKey().isEmpty());
    SingleInstance alone{QString()};
    EXPECT_FALSE(alone.handOver({QStringLiteral("/x")}, 200));
    EXPECT_FALSE(alone.listen());
}

TEST(HandOver, AnotherUsersFolderOrSocketIsNeverUsed)
{
    if (::geteuid() != 0) {
        // A private folder of another user.
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/root")) && SingleInstance::isPrivateFolder(QStringLiteral("/root")));
        GTEST_SKIP() << "handing a socket to another user needs root";
    }
    QTemporaryDir base;
    const QString folder = base.path() + QStringLiteral("/run");
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    EXPECT_TRUE(SingleInstance::isPrivateFolder(folder));
    // A socket at our place that another user owns: nothing is handed to it, and it is
    // neither replaced nor removed.
    const QString key = folder + QStringLiteral("/vidorra-1-_0.sock");
    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(key));
    ASSERT_EQ(::chown(QFile::encodeName(key).constData(), 65534, 65534), 0);
    EXPECT_FALSE(SingleInstance::isOwnSocket(key));
    EXPECT_FALSE(SingleInstance(key).handOver({QStringLiteral("/secret")}, 500));
    EXPECT_FALSE(stranger.hasPendingConnections());
    EXPECT_FALSE(SingleInstance(key).listen());
    EXPECT_TRUE(QFileInfo::exists(key));
    // Nor is a file of theirs taken for the remains of a crashed run of ours.
    const QString left = folder + QStringLiteral("/vidorra-2-_0.sock");
    QFile file(left);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chown(QFile::encodeName(left).constData(), 65534, 65534), 0);
    EXPECT_FALSE(SingleInstance(left).listen());
    EXPECT_TRUE(QFileInfo(left).isFile());
    // Its folder given to that user is no longer private to us.
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    EXPECT_FALSE(SingleInstance::isPrivateFolder(folder));
}

TEST(FirstRun, FrameIsAtMost1024By704CentredAndSetOnlyOnce)
{
    resetSettings();
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
    resetSettings();
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
    settings.setValue(QStringLiteral("NSWindow Frame main"), QByteArray("old"));
    settings.setValue(QStringLiteral("NSWindow Frame other"), QByteArray("old"));
    settings.setValue(QStringLiteral("appearance"), QStringLiteral("dark"));
    EXPECT_EQ(resetSavedFramesOnce(settings), 2);
    EXPECT_FALSE(settings.contains(QStringLiteral("NSWindow Frame main")));
    EXPECT_TRUE(settings.contains(QStringLiteral("appearance")));
    settings.setValue(QStringLiteral("NSWindow Frame main"), QByteArray("new"));
    EXPECT_EQ(resetSavedFramesOnce(settings), 0);
    EXPECT_TRUE(settings.contains(QStringLiteral("NSWindow Frame main")));
}

TEST(Launch, StoredDarkAppearanceSettingsShortcutAndQuitting)
{
    resetSettings();
    Preferences::setAppearance(QStringLiteral("dark"));
    VidorraApp app;
    QSignalSpy launched(&app, &VidorraApp::launched);
    app.launch({});
    EXPECT_EQ(schemeOf(app.window()), Scheme::Dark);
    ASSERT_TRUE(waitUntil([&] { return launched.count() == 1; }));
    EXPECT_TRUE(Preferences::windowSized());
    QTest::keyClick(app.window(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(app.model()->showSettings());

    // Closing the window leaves no window open, and the application quits on that.
    EXPECT_TRUE(qApp->quitOnLastWindowClosed());
    app.window()->close();
    for (QWindow *w : QGuiApplication::topLevelWindows())
        EXPECT_FALSE(w->isVisible() && w->type() == Qt::Window) << qPrintable(w->objectName());
}

TEST(Launch, HandedPathsWinOverTheLastFolderWhichIsRestoredOtherwise)
{
    resetSettings();
    const QString last = freshFolder(), handed = freshFolder();
    writeClips(last, 2);
    writeClips(handed, 3);
    for (const QStringList &paths : {QStringList{handed}, QStringList{}}) {
        Preferences::setLastFolderPath(last);
        VidorraApp app;
        app.launch(paths);
        ASSERT_TRUE(waitUntil([&] { return app.model()->result() && !app.model()->scanning(); }));
        EXPECT_EQ(app.model()->lastURLs(), paths.isEmpty() ? QStringList{last} : paths);
        EXPECT_EQ(app.model()->result()->items.size(), paths.isEmpty() ? 2 : 3);
        app.window()->close();
    }
}

TEST(Launch, ChosenColorTablesAreReadAtLaunchAndAgainWhenTheApplicationBecomesActive)
{
    resetSettings();
    const QString path = freshFolder() + QStringLiteral("/look.cube");
    auto write = [&](const QByteArray &entries) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("LUT_3D_SIZE 2\n" + entries);
    };
    write("0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n");
    Preferences::setLutPath(Preferences::lutPathDLog2Key, path);
    VidorraApp app;
    app.launch({});
    ColorTables *tables = app.window()->colorTables();
    ASSERT_TRUE(waitUntil([&] { return !tables->reading(); }));
    const CubePtr first = LUTEngine::table(LUTEngine::Grade::dLog2);
    EXPECT_NE(first, LUTEngine::dLog2());

    write("1 1 1\n0 1 1\n1 0 1\n0 0 1\n1 1 0\n0 1 0\n1 0 0\n0 0 0\n# inverted\n");
    app.becameActive();
    ASSERT_TRUE(waitUntil([&] { return !tables->reading(); }));
    EXPECT_NE(LUTEngine::table(LUTEngine::Grade::dLog2), first);
    EXPECT_NE(LUTEngine::table(LUTEngine::Grade::dLog2), LUTEngine::dLog2());
    app.window()->close();
    LUTEngine::setTable(LUTEngine::Grade::dLog2, nullptr);
}

TEST(Launch, WhileBusyNothingIsOfferedThatWouldBeRefusedAndAHandOverWaits)
{
    resetSettings();
    const QString first = freshFolder(), handed = freshFolder();
    writeClips(first, 3);
    writeClips(handed, 2);
    VidorraApp app;
    app.launch({first});
    Model *model = app.model();
    ASSERT_TRUE(waitUntil([&] { return model->result() && !model->scanning(); }));
    EXPECT_TRUE(app.openAction()->isEnabled());

    // Busy from here until the event loop applies the organize's outcome.
    QSignalSpy finished(model, &Model::actionFinished);
    model->run(model->lib().allSortable);
    ASSERT_TRUE(model->busy());
    EXPECT_FALSE(app.openAction()->isEnabled());
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(handed)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.window(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_FALSE(model->dropTargeted());
    EXPECT_TRUE(app.window()->emptyState()->hint().isEmpty());
    // A second launch's folder waits for the action instead of being refused.
    app.openPaths({handed});
    EXPECT_EQ(model->lastURLs(), QStringList{first});
    EXPECT_TRUE(model->message().isEmpty());

    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1 && model->lastURLs() == QStringList{handed}; }));
    ASSERT_TRUE(waitUntil([&] { return !model->scanning(); }));
    EXPECT_EQ(model->result()->items.size(), 2);
    EXPECT_TRUE(app.openAction()->isEnabled());
    EXPECT_TRUE(app.waitingPaths().isEmpty());
    app.window()->close();
}
