#include "app/VidorraApp.h"

#include "app/SingleInstance.h"
#include "app/WindowFrames.h"
#include "ui/panels/AboutPanel.h"
#include "kit/Appearance.h"
#include "ui/window/ColorTables.h"
#include "ui/window/MainWindow.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "text/Language.h"
#include "text/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

namespace vidorra {

VidorraApp::VidorraApp(QObject *parent) : QObject(parent), m(std::make_unique<Model>())
{
    // Queued, so the finished action has applied everything (its own reload included)
    // before the waiting paths replace it.
    connect(m.get(), &Model::actionFinished, this, [this] {
        if (!waiting.isEmpty() && !m->busy())
            m->load(std::exchange(waiting, {}));
    }, Qt::QueuedConnection);
}

VidorraApp::~VidorraApp()
{
    // The window goes before the model it shows.
    win.reset();
}

void VidorraApp::launch(const QStringList &paths)
{
    m->watchCards();
    // Files handed over at launch are scanned from the very start: the appearance and
    // the window, built from the model's state, come up while the scan reads them.
    if (!paths.isEmpty())
        openPaths(paths);
    willFinishLaunching();
    createWindow();
    win->show();
    didFinishLaunching();
}

void VidorraApp::willFinishLaunching()
{
    const QString stored = Preferences::appearance();
    applyAppearance(stored.isEmpty() ? std::nullopt : std::optional<QString>(stored));
    QSettings settings = settingsStore();
    resetSavedFramesOnce(settings);
}

void VidorraApp::createWindow()
{
    win = std::make_unique<MainWindow>(m.get());
    win->colorTables()->restore();
    frames = new FrameKeeper(win.get());
    frames->restore();
    installMenus();
}

void VidorraApp::installMenus()
{
    fileMenu = win->menuBar()->addMenu(QString());
    open = fileMenu->addAction(QString());
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, m.get(), &Model::openPanel);
    // Loading is refused while an action runs, so it is not offered then.
    connect(m.get(), &Model::busyChanged, open, [this] { open->setEnabled(!m->busy()); });
    importsEnd = fileMenu->addSeparator();
    importFolder = fileMenu->addAction(QString());
    connect(importFolder, &QAction::triggered, m.get(), &Model::chooseImportFolder);
    refreshImportActions();
    for (auto signal : {&Model::cardsChanged, &Model::importingChanged})
        connect(m.get(), signal, this, &VidorraApp::refreshImportActions);
    fileMenu->addSeparator();
    settings = fileMenu->addAction(QString());
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, [this] { m->setShowSettings(true); });
    fileMenu->addSeparator();
    quit = fileMenu->addAction(QString());
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, win.get(), &QWidget::close);

    helpMenu = win->menuBar()->addMenu(QString());
    about = helpMenu->addAction(QString());
    connect(about, &QAction::triggered, this, [this] { showAboutPanel(win.get()); });
    retranslateMenus();
    win->installEventFilter(this);
}

void VidorraApp::retranslateMenus()
{
    fileMenu->setTitle(L("File"));
    open->setText(L("Open…"));
    settings->setText(L("Settings…"));
    quit->setText(L("Quit"));
    helpMenu->setTitle(L("Help"));
    about->setText(L("About Vidorra"));
    refreshImportActions();
}

bool VidorraApp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == win.get() && event->type() == QEvent::LanguageChange)
        retranslateMenus();
    return QObject::eventFilter(watched, event);
}

void VidorraApp::refreshImportActions()
{
    for (QAction *a : std::as_const(imports)) {
        fileMenu->removeAction(a);
        a->deleteLater();
    }
    imports.clear();
    for (const Card &card : m->cards()) {
        auto *action = new QAction(L("Import from %@…", {card.name}), fileMenu);
        action->setEnabled(!m->importing());
        connect(action, &QAction::triggered, m.get(), [this, card] { m->importCard(card); });
        imports << action;
    }
    if (imports.isEmpty()) {
        // Where the entry appears once a card is in.
        auto *none = new QAction(L("Import from Card…"), fileMenu);
        none->setEnabled(false);
        imports << none;
    }
    fileMenu->insertActions(importsEnd, imports);
    if (importFolder)
        importFolder->setText(L("Import Folder…"));
}

void VidorraApp::didFinishLaunching()
{
    // Posted, in this order, to run once the launch has returned to the event loop.
    QTimer::singleShot(0, this, [this] { m->restoreLastFolder(); });
    QTimer::singleShot(0, this, [this] {
        sizeOnFirstRun(win.get());
        Q_EMIT launched();
    });
}

void VidorraApp::openPaths(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &p : paths)
        absolute.append(QDir::cleanPath(QDir::current().absoluteFilePath(p)));
    if (m->busy() && !absolute.isEmpty()) {
        waiting = absolute;
        return;
    }
    m->load(absolute);
}

void VidorraApp::becameActive()
{
    m->refreshFromDisk();
    if (win)
        win->colorTables()->refresh();
}

int runApplication(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDORRA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("app.vidorra.Vidorra"));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("app.vidorra.Vidorra")));

    // Everything after the program name is a file or folder to open.
    const QStringList paths = app.arguments().mid(1);

    SingleInstance instance;
    if (instance.handOver(paths))
        return 0;
    instance.listen();

    VidorraApp vidorra;
    QObject::connect(&instance, &SingleInstance::pathsReceived, &vidorra, [&vidorra](const QStringList &handed) {
        if (!handed.isEmpty())
            vidorra.openPaths(handed);
        if (MainWindow *w = vidorra.window()) {
            w->showNormal();
            w->raise();
            w->activateWindow();
        }
    });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &vidorra, [&vidorra](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            vidorra.becameActive();
    });
    app.setQuitOnLastWindowClosed(true);
    vidorra.launch(paths);
    return app.exec();
}

} // namespace vidorra
