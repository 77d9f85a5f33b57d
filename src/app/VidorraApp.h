#pragma once
// Start-up: the one model, the stored appearance applied before the window shows, the
// single window with its menus and its chosen colour tables, the last folder restored,
// the first-run size, and the application's events (paths handed over, becoming active)
// passed to the model and the colour tables.

#include <QObject>
#include <QStringList>
#include <memory>

class QAction;
class QApplication;
class QMenu;

namespace vidorra {

class FrameKeeper;
class MainWindow;
class Model;

class VidorraApp : public QObject {
    Q_OBJECT
public:
    explicit VidorraApp(QObject *parent = nullptr);
    ~VidorraApp() override;

    // The launch in its order: appearance and the one-time frame reset, the window, then
    // (posted to the event loop) the last folder and the first-run sizing. `paths` are the
    // files handed to the application; they are loaded and win over the last folder.
    void launch(const QStringList &paths);

    // Files and folders handed to the running application (command line or a later launch).
    // While an action runs they wait, and are loaded once it has finished; a later
    // hand-over replaces a waiting one.
    void openPaths(const QStringList &paths);
    const QStringList &waitingPaths() const { return waiting; }
    // The application became active: the loaded folders and the chosen colour tables are
    // checked against the disk.
    void becameActive();

    Model *model() const { return m.get(); }
    MainWindow *window() const { return win.get(); }
    QAction *aboutAction() const { return about; }
    QAction *settingsAction() const { return settings; }
    QAction *openAction() const { return open; }
    // "Import from CARD…" for each card mounted now, or one disabled entry.
    QList<QAction *> importActions() const { return imports; }
    QAction *importFolderAction() const { return importFolder; }

Q_SIGNALS:
    // The posted launch tasks have run.
    void launched();

protected:
    // The window's QEvent::LanguageChange words the menus again.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void willFinishLaunching();
    void createWindow();
    void installMenus();
    void retranslateMenus();
    void didFinishLaunching();
    void refreshImportActions();

    std::unique_ptr<Model> m;
    std::unique_ptr<MainWindow> win;
    FrameKeeper *frames = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *about = nullptr;
    QAction *settings = nullptr;
    QAction *open = nullptr;
    QAction *quit = nullptr;
    QStringList waiting;
    QAction *importsEnd = nullptr; // the separator after the import entries
    QList<QAction *> imports;
    QAction *importFolder = nullptr;
};

// The program: one instance per user, then the launch and the event loop.
int runApplication(int argc, char **argv);

} // namespace vidorra
