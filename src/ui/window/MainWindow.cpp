#include "ui/window/MainWindow.h"

#include "kit/Appearance.h"
#include "kit/DropTarget.h"
#include "kit/FadeIn.h"
#include "kit/IconTool.h"
#include "kit/ResolutionTabBar.h"
#include "kit/Selection.h"
#include "kit/Shortcuts.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "text/Language.h"
#include "ui/intro/IntroMosaic.h"
#include "ui/panels/ImportBar.h"
#include "ui/panels/PreviewOverlay.h"
#include "ui/panels/RenameSheet.h"
#include "ui/panels/SettingsPanel.h"
#include "ui/piles/CardGrid.h"
#include "ui/piles/CardReveal.h"
#include "ui/piles/ClipCard.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileHeader.h"
#include "ui/piles/PileList.h"
#include "ui/window/ActionRow.h"
#include "ui/window/ColorTables.h"
#include "ui/window/DesktopOpen.h"
#include "ui/window/EmptyState.h"
#include "ui/window/MessageBar.h"
#include "ui/window/StatusLine.h"
#include "ui/window/TitleRow.h"
#include "ui/window/WindowState.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace vidorra {

MainWindow::MainWindow(Model *model, QWidget *parent) : QMainWindow(parent), m(model)
{
    setWindowTitle(L("Vidorra"));
    setObjectName(QStringLiteral("main"));
    setMinimumSize(minimumContentWidth, minimumContentHeight);
    setAcceptDrops(true);
    buildFaces();
    wireModel();
    m->setPrompts(this);
    // Whatever the desktop cannot open is told in the message bar.
    setDesktopFailureReporter([model = QPointer<Model>(m)](const QString &text) {
        if (model)
            model->setMessage(text);
    });
    refreshFace();
    refreshHeader();
    refreshContent();
    refreshSelection();
}

MainWindow::~MainWindow()
{
    setDesktopFailureReporter({});
    m->setPrompts(nullptr);
}

void MainWindow::buildFaces()
{
    central = new QWidget(this);
    setCentralWidget(central);
    auto *stack = new QVBoxLayout(central);
    stack->setContentsMargins(0, 0, 0, 0);
    faces = new QStackedWidget(central);
    stack->addWidget(faces);
    // Under both faces, so an import can be followed whatever is shown.
    importing = new ImportBar(m, central);
    stack->addWidget(importing);

    intro = new IntroMosaic(faces);
    organised = new QWidget(faces);
    faces->addWidget(organised);
    faces->addWidget(intro);

    title = new TitleRow(m, organised);
    tabs = new ResolutionTabBar(organised);
    header = new PileHeader(organised);
    actions = new ActionRow(m, organised);
    content = new QStackedWidget(organised);
    empty = new EmptyState(m, content);
    piles = new PileList(content);
    grid = new CardGrid(content);
    content->addWidget(empty);
    content->addWidget(piles);
    content->addWidget(grid);
    status = new StatusLine(m, organised);

    auto *column = new QVBoxLayout(organised);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(title);
    auto *tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(20, 0, 20, 0);
    tabRow->addWidget(tabs);
    tabRow->addStretch(1);
    column->addLayout(tabRow);
    column->addWidget(header);
    column->addWidget(actions);
    column->addWidget(content, 1);
    column->addWidget(status);

    // Layers over both faces, top one last; they keep this order (none raises itself).
    highlight = new DropHighlight(central);
    message = new MessageBar(m, central);
    overlay = new PreviewOverlay(m, central);
    tables = new ColorTables(m, this);
    connect(tables, &ColorTables::changed, this, &MainWindow::refreshGrading);
    settings = new SettingsPanel(m, this, tables);
    settings->setAnchor(title->settingsTool());

    keys = new Shortcuts(this, ShortcutHandlers{
        [this] {
            QSet<QUuid> all;
            if (const auto pile = openItems(*m)) {
                for (const Planned &p : *pile)
                    all.insert(p.id);
            }
            m->setSelection(all);
        },
        [this] {
            if (m->preview())
                m->setPreview(std::nullopt);
            else
                m->setSelection({});
        },
        [this] { togglePreview(); },
        [this] { stepPreview(-1); },
        [this] { stepPreview(+1); },
        [this] {
            if (!m->selectedItems().isEmpty())
                m->trash(m->selectedItems());
        }});

    connect(intro, &IntroMosaic::organizeClicked, this, &MainWindow::organize);
    connect(tabs, &ResolutionTabBar::tabChosen, this, &MainWindow::selectTab);
    connect(header, &PileHeader::backClicked, this, [this] { enter(std::nullopt); });
    connect(actions, &ActionRow::openFolderClicked, this, &MainWindow::openRoot);
    connect(actions, &ActionRow::sortClicked, this, [this] { m->run(sortableNow(*m)); });
    connect(title, &TitleRow::undoClicked, m, &Model::revert);
    connect(title, &TitleRow::deleteClicked, this, [this] { m->trash(m->selectedItems()); });
    connect(title, &TitleRow::colorClicked, this, [this] { m->setLutEnabled(!m->lutEnabled()); });
    connect(title, &TitleRow::renameClicked, this, &MainWindow::openRename);
    connect(title, &TitleRow::settingsClicked, this, [this] { m->setShowSettings(true); });
    connect(title, &TitleRow::themeClicked, this, &MainWindow::toggleTheme);
    connect(piles, &PileList::pileOpened, this, [this](const QString &folder) { enter(folder); });
    connect(piles, &PileList::revealRequested, this, [](const QList<Planned> &items) {
        QStringList paths;
        for (const Planned &p : items)
            paths.append(p.url);
        revealInFileManager(paths);
    });
    connect(piles, &PileList::deleteRequested, this, [this](const QList<Planned> &items) { m->trash(items); });
    connect(grid, &CardGrid::clipClicked, this, &MainWindow::click);
    connect(grid, &CardGrid::playRequested, this, [this](const Planned &item) { m->setPreview(item); });
    connect(grid, &CardGrid::trashRequested, this, &MainWindow::trashFromCard);
    connect(grid, &CardGrid::hoverChanged, this, [this](const Planned &item, bool on) {
        if (on)
            m->setHoveredID(item.id);
        else if (m->hoveredID() == item.id)
            m->setHoveredID(std::nullopt);
    });
}

void MainWindow::wireModel()
{
    // The face and the selection are cheap and follow at once. The header and the piles
    // or cards follow the library, which the model rebuilds before it announces a new
    // result, so `libChanged` stands for both.
    for (auto signal : {&Model::resultChanged, &Model::organizedChanged, &Model::scanningChanged,
                        &Model::scanDoneChanged, &Model::scanTotalChanged})
        connect(m, signal, this, &MainWindow::refreshFace);
    connect(m, &Model::libChanged, this, [this] { markStale(Header | Content); });
    connect(m, &Model::openFolderChanged, this, [this] { markStale(Header | Content); });
    for (auto signal : {&Model::lutEnabledChanged, &Model::busyChanged, &Model::scanningChanged})
        connect(m, signal, this, [this] { markStale(Content); });
    // Another tab or another folder starts at its top, not where the last one was left.
    for (auto signal : {&Model::tabChanged, &Model::sourcePathChanged})
        connect(m, signal, this, [this] { piles->verticalScrollBar()->setValue(0); });
    connect(m, &Model::selectionChanged, this, &MainWindow::refreshSelection);
    connect(m, &Model::selectedItemsChanged, this, &MainWindow::refreshSelection);
    connect(m, &Model::dropTargetedChanged, this, [this] { highlight->setActive(m->dropTargeted()); });
    connect(m, &Model::busyChanged, this, [this] {
        if (m->busy())
            m->setDropTargeted(false);
    });
    connect(m, &Model::previewChanged, this, [this] { keys->setPreviewOpen(m->preview().has_value()); });
}

void MainWindow::markStale(int parts)
{
    stale |= parts;
    if (!m->scanning()) {
        settle();
        return;
    }
    // While a scan runs its batches come one per event-loop turn, each changing the
    // result, the library and the counts: the piles follow once per turn.
    if (!settleQueued) {
        settleQueued = true;
        QMetaObject::invokeMethod(this, &MainWindow::settle, Qt::QueuedConnection);
    }
}

void MainWindow::settle()
{
    settleQueued = false;
    const int parts = std::exchange(stale, 0);
    if (parts & Header)
        refreshHeader();
    if (parts & Content)
        refreshContent();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        setWindowTitle(L("Vidorra"));
    QMainWindow::changeEvent(event);
}

bool MainWindow::introShown() const { return faces->currentWidget() == intro; }

// Switches a stack to `page`, easing it in when it replaces another page.
static void showPage(QStackedWidget *stack, QWidget *page, int ms, QEasingCurve::Type curve)
{
    if (stack->currentWidget() == page)
        return;
    stack->setCurrentWidget(page);
    fadeIn(page, ms, curve);
}

void MainWindow::refreshFace()
{
    const bool showing = showIntro(*m);
    if (showing) {
        intro->setClips(introClips(*m));
        intro->setProgress(m->scanning(), m->scanDone(), m->scanTotal());
        showPage(faces, intro, 450, QEasingCurve::InOutCubic);
    } else {
        showPage(faces, organised, 450, QEasingCurve::InOutCubic);
        // The tiles stop playing as soon as the mosaic is left.
        intro->setClips({});
    }
}

void MainWindow::refreshHeader()
{
    if (const auto pile = openItems(*m)) {
        header->setPile(*pile);
        header->show();
        tabs->hide();
        return;
    }
    header->hide();
    QList<ResolutionTabBar::Entry> entries;
    for (const LibraryTab &t : m->lib().tabs)
        entries.append({t.name, int(t.count)});
    tabs->setTabs(entries, m->lib().current);
    tabs->setVisible(!entries.isEmpty());
}

void MainWindow::refreshContent()
{
    const auto &result = m->result();
    if (!result || result->items.isEmpty()) {
        grid->setItems({});
        content->setCurrentWidget(empty);
        return;
    }
    if (const auto pile = openItems(*m)) {
        grid->setGlobalLUT(m->lutEnabled());
        grid->setSelection(m->selection());
        grid->setItems(*pile);
        showPage(content, grid, 180, QEasingCurve::OutCubic);
        return;
    }
    grid->setItems({});
    piles->setGroups(m->lib().groups, m->lutEnabled());
    showPage(content, piles, 180, QEasingCurve::OutCubic);
}

void MainWindow::refreshGrading()
{
    for (ClipCard *card : grid->boundCards())
        card->gradingChanged();
    for (PileCard *card : piles->cards())
        card->gradingChanged();
    overlay->regrade();
}

void MainWindow::refreshSelection()
{
    grid->setSelection(m->selection());
    keys->setHasSelection(!m->selectedItems().isEmpty());
}

void MainWindow::click(const Planned &item, Qt::KeyboardModifiers modifiers)
{
    QList<QUuid> ordered;
    ordered.reserve(m->lib().ordered.size());
    for (const Planned &p : m->lib().ordered)
        ordered.append(p.id);
    const SelectionState next = clickSelection({m->selection(), anchor}, item.id, ordered, modifiers);
    anchor = next.anchor;
    m->setSelection(next.selection);
}

void MainWindow::selectTab(const QString &name)
{
    m->setTab(name);
    m->setOpenFolder(std::nullopt);
    m->setSelection({});
    anchor.reset();
}

void MainWindow::enter(const std::optional<QString> &folder)
{
    m->setSelection({});
    anchor.reset();
    m->setOpenFolder(folder);
}

void MainWindow::organize() { m->setOrganized(true); }

void MainWindow::openRoot()
{
    const auto &root = m->root();
    if (!root || !QFileInfo::exists(*root)) {
        m->setMessage(L("Folder not found"));
        return;
    }
    openWithDesktop(QUrl::fromLocalFile(*root), DesktopTarget::Folder);
}

void MainWindow::toggleTheme()
{
    const QString mode = currentScheme() == Scheme::Dark ? QStringLiteral("light") : QStringLiteral("dark");
    Preferences::setAppearance(mode);
    applyAppearance(mode);
}

void MainWindow::openRename()
{
    QList<Planned> source = m->selectedItems();
    if (source.isEmpty())
        source = openItems(*m).value_or(QList<Planned>{});
    if (source.isEmpty())
        source = m->lib().ordered;
    targets.clear();
    for (const Planned &p : source) {
        if (p.info.recognized)
            targets.append(p);
    }
    // A sheet with nothing in it would only leave the user guessing why.
    if (targets.isEmpty()) {
        m->setMessage(L("Nothing to rename: the template needs the camera data that only DJI Osmo Pocket clips carry."));
        return;
    }
    if (sheet)
        sheet->deleteLater();
    sheet = new RenameSheet(targets, [this](const QList<RenamePlan> &plans) { m->rename(plans); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::finished, this, [this] {
        showRename = false;
        sheet = nullptr;
    });
    showRename = true;
    sheet->open();
}

void MainWindow::togglePreview()
{
    if (m->preview()) {
        m->setPreview(std::nullopt);
        return;
    }
    const auto pile = openItems(*m);
    if (!pile)
        return;
    if (const auto hovered = m->hoveredID()) {
        for (const Planned &p : *pile) {
            if (p.id == *hovered) {
                m->setPreview(p);
                return;
            }
        }
    }
    if (!m->selectedItems().isEmpty())
        m->setPreview(m->selectedItems().first());
}

void MainWindow::stepPreview(int delta)
{
    const auto pile = openItems(*m);
    if (!pile || !m->preview())
        return;
    for (qsizetype i = 0; i < pile->size(); ++i) {
        if ((*pile)[i].id == m->preview()->id) {
            const qsizetype next = i + delta;
            if (next >= 0 && next < pile->size())
                m->setPreview((*pile)[next]);
            return;
        }
    }
}

void MainWindow::trashFromCard(const Planned &item)
{
    if (m->selection().contains(item.id))
        m->trash(m->selectedItems());
    else
        m->trash({item});
}

bool MainWindow::confirm(const Confirmation &question)
{
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(L("Vidorra"));
    box.setText(question.title);
    box.setInformativeText(question.text);
    box.setObjectName(QStringLiteral("confirmation"));
    box.setWindowModality(Qt::WindowModal);
    QPushButton *accept = box.addButton(question.acceptButton, question.acceptIsDestructive
                                                                   ? QMessageBox::DestructiveRole
                                                                   : QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(question.cancelButton, QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept;
}

QStringList MainWindow::chooseSources()
{
    QFileDialog dialog(this, L("Open…"));
    dialog.setObjectName(QStringLiteral("openChooser"));
    // The folder of a card is what is opened nearly always; the files stay visible.
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, false);
    dialog.setNameFilter(L("Folders and movies (*.mp4 *.MP4 *.mov *.MOV)"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString MainWindow::chooseImportFolder()
{
    QFileDialog dialog(this, L("Choose where imports from cards go"));
    dialog.setObjectName(QStringLiteral("importFolderChooser"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    dialog.setDirectory(Preferences::importFolder().value_or(QFileInfo(videos).isDir() ? videos : QDir::homePath()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

ImportTarget MainWindow::chooseImportTarget(const QString &existing, const QString &fresh)
{
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("importTarget"));
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(L("Vidorra"));
    box.setText(L("A folder named “%@” is there already", {existing}));
    box.setInformativeText(L("Add this card's clips to it, or import them into “%@”?", {fresh}));
    box.setWindowModality(Qt::WindowModal);
    QPushButton *add = box.addButton(L("Add to It"), QMessageBox::AcceptRole);
    QPushButton *separate = box.addButton(L("New Folder"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(L("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(separate);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == add)
        return ImportTarget::AddToExisting;
    if (box.clickedButton() == separate)
        return ImportTarget::NewFolder;
    return ImportTarget::Cancel;
}

// While an action runs a drop would be refused, so none is offered.
void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (m->busy() || !dropPaths(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m->setDropTargeted(true);
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m->busy() && dropPaths(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent *event)
{
    m->setDropTargeted(false);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    m->setDropTargeted(false);
    const std::optional<QStringList> paths = dropPaths(event->mimeData());
    if (!paths || m->busy()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m->load(*paths);
}

} // namespace vidorra
