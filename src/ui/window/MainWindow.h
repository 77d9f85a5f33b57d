#pragma once
// The application's one window. It shows what the model holds and turns each gesture
// into one call or one property change on it; its own state is the selection anchor and
// the rename sheet. Two faces: the intro mosaic right after a folder is read, and the
// organised face with tabs, piles, the cards of an open pile and the status line.

#include "model/UserPrompts.h"
#include "library/Scan.h"

#include <QMainWindow>
#include <QUuid>
#include <optional>

class QStackedWidget;

namespace vidorra {

class ActionRow;
class CardGrid;
class ColorTables;
class DropHighlight;
class EmptyState;
class ImportBar;
class IntroMosaic;
class MessageBar;
class Model;
class PileHeader;
class PileList;
class PreviewOverlay;
class RenameSheet;
class ResolutionTabBar;
class SettingsPanel;
class Shortcuts;
class StatusLine;
class TitleRow;

class MainWindow : public QMainWindow, public UserPrompts {
    Q_OBJECT
public:
    static constexpr int minimumContentWidth = 1030;
    static constexpr int minimumContentHeight = 540;

    explicit MainWindow(Model *model, QWidget *parent = nullptr);
    ~MainWindow() override;

    Model *model() const { return m; }

    // The window's operations.
    void click(const Planned &item, Qt::KeyboardModifiers modifiers);
    void selectTab(const QString &name);
    void enter(const std::optional<QString> &folder);
    void organize();
    void openRoot();
    void toggleTheme();
    void openRename();
    void togglePreview();
    void stepPreview(int delta);
    void trashFromCard(const Planned &item);

    const std::optional<QUuid> &selectionAnchor() const { return anchor; }
    bool introShown() const;
    bool renameShown() const { return showRename; }
    const QList<Planned> &renameTargets() const { return targets; }

    // UserPrompts: the trash question and the open chooser as real dialogs.
    bool confirm(const Confirmation &question) override;
    QStringList chooseSources() override;
    QString chooseImportFolder() override;
    ImportTarget chooseImportTarget(const QString &existing, const QString &fresh) override;

    // The parts, for the tests, the screenshots and the benchmark.
    TitleRow *titleRow() const { return title; }
    ResolutionTabBar *tabBar() const { return tabs; }
    PileHeader *pileHeader() const { return header; }
    ActionRow *actionRow() const { return actions; }
    PileList *pileList() const { return piles; }
    CardGrid *cardGrid() const { return grid; }
    EmptyState *emptyState() const { return empty; }
    IntroMosaic *introMosaic() const { return intro; }
    StatusLine *statusLine() const { return status; }
    MessageBar *messageBar() const { return message; }
    ImportBar *importBar() const { return importing; }
    DropHighlight *dropHighlight() const { return highlight; }
    Shortcuts *shortcuts() const { return keys; }
    PreviewOverlay *previewOverlay() const { return overlay; }
    RenameSheet *renameSheet() const { return sheet; }
    SettingsPanel *settingsPanel() const { return settings; }
    // The colour table in force for each profile (read at launch with restore()).
    ColorTables *colorTables() const { return tables; }

protected:
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The costly parts a change of the model leaves out of date. settle() redoes each
    // marked part once: at once when idle, at the next event-loop turn while a scan runs.
    enum Part { Header = 1, Content = 2 };

    void buildFaces();
    void wireModel();
    void markStale(int parts);
    void settle();
    void refreshFace();
    void refreshHeader();
    void refreshContent();
    void refreshSelection();
    // Graded pictures are asked for again with the tables now in force.
    void refreshGrading();

    Model *m;
    int stale = 0; // Part flags waiting for settle()
    bool settleQueued = false;
    std::optional<QUuid> anchor;
    bool showRename = false;
    QList<Planned> targets;

    QWidget *central = nullptr;
    QStackedWidget *faces = nullptr;
    QWidget *organised = nullptr;
    TitleRow *title = nullptr;
    ResolutionTabBar *tabs = nullptr;
    PileHeader *header = nullptr;
    ActionRow *actions = nullptr;
    QStackedWidget *content = nullptr;
    PileList *piles = nullptr;
    CardGrid *grid = nullptr;
    EmptyState *empty = nullptr;
    IntroMosaic *intro = nullptr;
    StatusLine *status = nullptr;
    MessageBar *message = nullptr;
    ImportBar *importing = nullptr;
    DropHighlight *highlight = nullptr;
    Shortcuts *keys = nullptr;
    PreviewOverlay *overlay = nullptr;
    SettingsPanel *settings = nullptr;
    ColorTables *tables = nullptr;
    RenameSheet *sheet = nullptr;
};

} // namespace vidorra
