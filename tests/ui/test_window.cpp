// The real window driven headless with mouse and keyboard over folders of fixture clips:
// dropping, the intro, tabs, piles, selection, sorting, undo, trash, shortcuts, the grid,
// the message bar and the appearance.

#include "helpers/TestHelpers.h"

#include "ui/window/ActionRow.h"
#include "kit/Appearance.h"
#include "ui/piles/CardGrid.h"
#include "ui/piles/ClipCard.h"
#include "kit/DropTarget.h"
#include "ui/window/EmptyState.h"
#include "kit/HoverTip.h"
#include "kit/IconTool.h"
#include "ui/intro/IntroMosaic.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MessageBar.h"
#include "kit/OpenFolderButton.h"
#include "kit/OrganizeButton.h"
#include "ui/piles/PileCard.h"
#include "ui/panels/PreviewOverlay.h"
#include "ui/piles/PileHeader.h"
#include "ui/piles/PileList.h"
#include "ui/panels/RenameSheet.h"
#include "kit/ResolutionTab.h"
#include "kit/ResolutionTabBar.h"
#include "ui/panels/SettingsPanel.h"
#include "kit/SettingsPanelControls.h"
#include "kit/SortButton.h"
#include "ui/window/StatusLine.h"
#include "ui/window/TitleRow.h"
#include "ui/window/WindowState.h"
#include "model/Model.h"
#include "model/Preferences.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QScrollBar>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

using namespace vidorra;
using namespace vidorra::uitest;

namespace {

// Fires only when the test says so.
class ManualClearTimer : public ClearTimer {
public:
    void start(int ms, std::function<void()> done) override
    {
        interval = ms;
        pending = std::move(done);
    }
    void cancel() override { pending = nullptr; }
    int interval = 0;
    std::function<void()> pending;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        folder = freshFolder();
        model = std::make_unique<Model>();
        window = std::make_unique<MainWindow>(model.get());
        window->resize(1200, 800);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void drop(const QList<QUrl> &urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(600, 400), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        EXPECT_TRUE(model->dropTargeted());
        QDropEvent dropped(QPointF(600, 400), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &dropped);
        EXPECT_FALSE(model->dropTargeted());
    }
    bool scanEnded()
    {
        return waitUntil([this] { return model->result() && !model->scanning(); });
    }
    // Drops the folder, waits for the scan and leaves the intro with "Organize".
    void loadOrganized()
    {
        drop({QUrl::fromLocalFile(folder)});
        ASSERT_TRUE(scanEnded());
        if (window->introShown())
            click(window->introMosaic()->organizeButton());
        ASSERT_FALSE(window->introShown());
    }
    void openFirstPile()
    {
        const QString pileFolder = model->lib().sections.first().folder;
        PileCard *pile = window->pileList()->card(pileFolder);
        ASSERT_NE(pile, nullptr);
        window->pileList()->ensureWidgetVisible(pile);
        click(pile);
        ASSERT_EQ(model->openFolder(), pileFolder);
        ASSERT_TRUE(waitUntil([this] { return !window->cardGrid()->boundCards().isEmpty(); }));
    }
    static void click(QWidget *w, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        ASSERT_TRUE(w && w->isVisible());
        QTest::mouseClick(w, Qt::LeftButton, mods, w->rect().center());
    }
    ClipCard *card(int index) { return window->cardGrid()->ensureVisible(index); }
    QList<Planned> pile() { return openItems(*model).value_or(QList<Planned>{}); }
    QSet<QUuid> idsOf(const QList<int> &positions)
    {
        QSet<QUuid> out;
        for (int i : positions)
            out.insert(pile()[i].id);
        return out;
    }
    bool actionDone(QSignalSpy &spy)
    {
        return waitUntil([&] { return spy.count() > 0 && !model->busy() && !model->scanning(); });
    }
    // Answers the next modal question with the button of that text; records its text.
    void answerNextQuestion(const QString &button, QString *asked = nullptr)
    {
        auto *poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, [poll, button, asked] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll->stop();
            poll->deleteLater();
            if (asked)
                *asked = box->text();
            for (QAbstractButton *b : box->buttons())
                if (b->text() == button)
                    return b->click();
            box->reject();
        });
        poll->start(10);
    }

    QString folder;
    std::unique_ptr<Model> model;
    std::unique_ptr<MainWindow> window;
};

const ClipKind fullHD{.width = 1920, .height = 1080, .captureFPS = 60, .playbackFPS = 60};
const ClipKind dlog2{.gamma = QStringLiteral("D-Log 2"), .colorCode = 22};

} // namespace

TEST_F(WindowTest, DroppingAFolderShowsTheIntroThenTabsAndPiles)
{
    writeClips(folder, 5);
    writeClips(folder, 3, fullHD, 6);
    writeClips(folder, 2, dlog2, 9);
    EXPECT_EQ(window->emptyState()->title(), QStringLiteral("No Clips"));

    drop({QUrl::fromLocalFile(folder)});
    ASSERT_TRUE(scanEnded());
    ASSERT_TRUE(window->introShown());
    EXPECT_EQ(window->introMosaic()->tiles().size(), 10);
    click(window->introMosaic()->organizeButton());
    EXPECT_FALSE(window->introShown());
    EXPECT_TRUE(window->introMosaic()->tiles().isEmpty());   // the intro's players are let go
    // The piles ease in under a veil that lets clicks through to them at once.
    const QPoint onPiles = window->pileList()->mapTo(window.get(), window->pileList()->rect().center());
    QWidget *under = window->childAt(onPiles);
    EXPECT_TRUE(under && under->objectName() != QLatin1String("fadeVeil"));

    // One tab per resolution with its count, the current one marked.
    ResolutionTabBar *bar = window->tabBar();
    ASSERT_EQ(bar->tabs().size(), 2);
    EXPECT_EQ(bar->tabs()[0]->count() + bar->tabs()[1]->count(), 10);
    EXPECT_EQ(bar->current(), model->lib().current);
    ResolutionTab *other = bar->tabs()[0]->isOn() ? bar->tabs()[1] : bar->tabs()[0];
    EXPECT_TRUE(window->statusLine()->mainText().startsWith(QStringLiteral("%1 clips · ").arg(model->lib().visible.size())));
    EXPECT_EQ(window->statusLine()->sourceText(), QFileInfo(folder).fileName());

    // Choosing another tab by mouse shows its piles.
    click(other);
    EXPECT_EQ(model->lib().current, other->name());
    EXPECT_EQ(window->pileList()->cards().size(), model->lib().sections.size());
}

TEST_F(WindowTest, PilesKeepTheirSizeWhenAnotherFolderIsOpenedDuringTheIntro)
{
    window->resize(1024, 704);
    writeClips(folder, 6);
    const QString second = freshFolder();
    writeClips(second, 7);
    writeClips(second, 3, fullHD, 8);
    writeClips(second, 4, dlog2, 11);
    drop({QUrl::fromLocalFile(folder)});
    ASSERT_TRUE(scanEnded() && window->introShown());
    drop({QUrl::fromLocalFile(second)});
    ASSERT_TRUE(waitUntil([&] { return model->lastURLs() == QStringList{second} && !model->scanning(); }));
    ASSERT_TRUE(window->introShown());
    click(window->introMosaic()->organizeButton());

    // Every pile card is whole: inside its block, which is as tall as its cards need.
    const QList<PileCard *> cards = window->pileList()->cards();
    ASSERT_FALSE(cards.isEmpty());
    for (PileCard *card : cards) {
        QWidget *block = card->parentWidget();
        EXPECT_GE(block->height(), block->heightForWidth(block->width()));
        EXPECT_TRUE(block->rect().contains(card->geometry())) << qPrintable(card->title());
        EXPECT_EQ(card->height(), card->heightForWidth(card->width()));
    }
}

TEST_F(WindowTest, DropsWithoutFilesAreRefusedAndTheHighlightFollowsTheDrag)
{
    QMimeData text, files;
    text.setText(QStringLiteral("not a file"));
    files.setUrls({QUrl::fromLocalFile(folder)});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_FALSE(model->dropTargeted());
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(window->dropHighlight()->isActive());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(window.get(), &leave);
    EXPECT_FALSE(model->dropTargeted());
    EXPECT_FALSE(window->dropHighlight()->isActive());

    // Non-local URLs are skipped; what is left is handed over as it is.
    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("https://example.com/a.mp4")), QUrl::fromLocalFile(folder + "/x.MP4")});
    EXPECT_EQ(dropPaths(&mixed), QStringList{folder + "/x.MP4"});
}

TEST_F(WindowTest, SelectionByClickShiftAndCtrlInAnOpenPileAndDeletingItAsksFirst)
{
    writeClips(folder, 7);
    loadOrganized();
    openFirstPile();
    EXPECT_EQ(window->pileHeader()->title(), QStringLiteral("30p"));

    click(card(0));
    click(card(3), Qt::ShiftModifier);
    EXPECT_EQ(model->selection(), idsOf({0, 1, 2, 3}));
    click(card(1), Qt::ShiftModifier);
    EXPECT_EQ(model->selection(), idsOf({0, 1}));   // the range shrinks from the anchor
    // Ctrl-clicking a selected card deselects it and anchors there.
    click(card(1), Qt::ControlModifier);
    EXPECT_EQ(window->selectionAnchor(), pile()[1].id);
    click(card(5), Qt::ControlModifier);
    EXPECT_EQ(model->selection(), idsOf({0, 5}));
    EXPECT_FALSE(card(1)->isSelected());
    EXPECT_TRUE(window->statusLine()->selectionText().startsWith(QStringLiteral("2 selected · ")));
    EXPECT_TRUE(window->titleRow()->deleteTool()->isVisible());

    // Deleting asks first. Cancelled: nothing moves.
    const QList<Planned> chosen = model->selectedItems();
    QString asked;
    answerNextQuestion(QStringLiteral("Cancel"), &asked);
    QTest::keyClick(window.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked, QStringLiteral("Delete 2 clips?"));
    EXPECT_EQ(filesBelow(folder).size(), 7);

    // Confirmed with the Delete tool: both go to the trash, the rest stays.
    QSignalSpy finished(model.get(), &Model::actionFinished);
    answerNextQuestion(QStringLiteral("Delete"));
    click(window->titleRow()->deleteTool());
    ASSERT_TRUE(actionDone(finished));
    EXPECT_EQ(model->message(), QStringLiteral("Moved to Trash"));
    for (const Planned &p : chosen)
        EXPECT_TRUE(QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/" + QFileInfo(p.url).fileName()));
    EXPECT_EQ(filesBelow(folder).size(), 5);
    EXPECT_EQ(window->cardGrid()->items().size(), 5);

    // Back closes the pile and clears the selection.
    click(card(0));
    click(window->pileHeader()->backButton());
    EXPECT_FALSE(model->openFolder());
    EXPECT_TRUE(model->selection().isEmpty());
    EXPECT_FALSE(window->selectionAnchor());
}

TEST_F(WindowTest, SortMovesTheFilesAndUndoBringsThemBack)
{
    const QStringList written = writeClips(folder, 6);
    writeClips(folder, 2, dlog2, 7);
    loadOrganized();
    const QStringList before = filesBelow(folder);
    ASSERT_EQ(before.size(), 8);
    QMap<QString, QString> destination;   // file name -> planned folder
    for (const Planned &p : model->result()->items)
        destination.insert(QFileInfo(p.url).fileName(), p.folder);

    SortButton *sort = window->actionRow()->sortButton();
    QSignalSpy finished(model.get(), &Model::actionFinished);
    click(sort);
    ASSERT_TRUE(actionDone(finished));
    EXPECT_EQ(model->message(), QStringLiteral("Sorted"));
    for (auto it = destination.cbegin(); it != destination.cend(); ++it)
        EXPECT_TRUE(QFileInfo::exists(folder + u'/' + it.value() + u'/' + it.key())) << qPrintable(it.key());
    EXPECT_FALSE(QFileInfo::exists(written.first()));
    // Nothing left to sort: the folder can be opened instead.
    EXPECT_TRUE(waitUntil([&] { return window->actionRow()->offersOpen(); }));
    EXPECT_FALSE(sort->isEnabled());
    // Once faded in it is drawn as it stands, level with Sort (a lasting fade effect drew
    // an old picture of it a few pixels low after the row moved).
    OpenFolderButton *open = window->actionRow()->openFolderButton();
    EXPECT_TRUE(waitUntil([&] { return open->isVisible() && !open->graphicsEffect(); }));
    EXPECT_EQ(open->y(), sort->y());

    IconTool *undo = window->titleRow()->undoTool();
    finished.clear();
    click(undo);
    ASSERT_TRUE(actionDone(finished));
    EXPECT_EQ(model->message(), QStringLiteral("Undone"));
    EXPECT_EQ(filesBelow(folder), before);
    EXPECT_FALSE(undo->isVisible());
}

TEST_F(WindowTest, KeyboardShortcuts)
{
    writeClips(folder, 6);
    loadOrganized();
    // With no pile open Ctrl+A selects nothing and Space opens nothing.
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_TRUE(model->selection().isEmpty());
    EXPECT_FALSE(model->preview());

    openFirstPile();
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(model->selection(), idsOf({0, 1, 2, 3, 4, 5}));

    // Space opens the hovered card's clip even when another is selected.
    click(card(1));
    ClipCard *hovered = card(4);
    QTest::mouseMove(hovered, QPoint(hovered->width() / 2, hovered->height() - 6));
    ASSERT_TRUE(waitUntil([&] { return model->hoveredID() == pile()[4].id; }));
    QTest::keyClick(window.get(), Qt::Key_Space);
    ASSERT_TRUE(model->preview());
    EXPECT_EQ(model->preview()->id, pile()[4].id);
    // The arrows step and stop at the ends.
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Left);
    EXPECT_EQ(model->preview()->id, pile()[4].id);
    // Escape first closes the preview, then clears the selection.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(model->preview());
    EXPECT_EQ(model->selection().size(), 1);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(model->selection().isEmpty());

    // With the pointer elsewhere Space opens the first selected clip, and closes it again.
    click(card(2));
    QTest::mouseMove(window->titleRow(), QPoint(300, 20));
    ASSERT_TRUE(waitUntil([&] { return !model->hoveredID(); }));
    QTest::keyClick(window.get(), Qt::Key_Space);
    ASSERT_TRUE(model->preview());
    EXPECT_EQ(model->preview()->id, pile()[2].id);
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(model->preview());
    // Ctrl+Backspace trashes the selection too, after asking.
    QString asked;
    answerNextQuestion(QStringLiteral("Cancel"), &asked);
    QTest::keyClick(window.get(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(asked, QStringLiteral("Delete DJI_0003.MP4?"));
}

TEST_F(WindowTest, AMessageOrADragNeverCoversAnOpenPreview)
{
    writeClips(folder, 6);
    loadOrganized();
    openFirstPile();
    model->setPreview(pile().first());
    model->setMessage(QStringLiteral("DJI_0001.MP4: denied\nDJI_0002.MP4: denied"));
    model->setDropTargeted(true);
    ASSERT_TRUE(window->messageBar()->isVisible() && window->dropHighlight()->isVisible());
    // Siblings stack in the order of their parent's children, the last on top.
    const QObjectList layers = window->centralWidget()->children();
    EXPECT_GT(layers.indexOf(window->previewOverlay()), layers.indexOf(window->messageBar()));
    EXPECT_GT(layers.indexOf(window->previewOverlay()), layers.indexOf(window->dropHighlight()));
    model->setDropTargeted(false);
}

TEST_F(WindowTest, GridLaysOutColumnsAndHoldsCardsOnlyForVisibleCells)
{
    writeClips(folder, 60);
    loadOrganized();
    openFirstPile();
    CardGrid *grid = window->cardGrid();
    EXPECT_EQ(card(4)->y(), card(0)->y());
    EXPECT_GT(card(5)->y(), card(0)->y());

    const int shown = int(grid->boundCards().size());
    EXPECT_LT(shown, 60);
    EXPECT_EQ(card(59)->clip()->id, pile()[59].id);
    EXPECT_FALSE(grid->cardAt(0));
    EXPECT_LE(grid->boundCards().size(), shown + 5);
}

TEST_F(WindowTest, AnotherTabOrFolderStartsAtTheTop)
{
    // Two tabs of twelve piles each, both taller than the window.
    for (qint64 width : {3840, 1920})
        for (double fps : {24, 25, 30, 48, 50, 60})
            for (qint64 code : {2, 22})
                writeClip(folder, QStringLiteral("DJI_%1_%2_%3.MP4").arg(width).arg(fps).arg(code),
                          {.gamma = code == 2 ? QStringLiteral("D-Log") : QStringLiteral("D-Log 2"), .colorCode = code,
                           .width = width, .height = width * 9 / 16, .captureFPS = fps, .playbackFPS = fps});
    const QString other = freshFolder();
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(folder + u'/' + name, other + u'/' + name));
    loadOrganized();
    QScrollBar *bar = window->pileList()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    click(window->tabBar()->tab(QStringLiteral("1080p")));
    EXPECT_EQ(bar->value(), 0);
    click(window->tabBar()->tab(QStringLiteral("4K")));
    bar->setValue(bar->maximum());
    drop({QUrl::fromLocalFile(other)});
    ASSERT_TRUE(scanEnded());
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(WindowTest, MessageBarClearsAfterThreeSecondsUnlessItHasALineBreak)
{
    auto timer = std::make_unique<ManualClearTimer>();
    ManualClearTimer *clock = timer.get();
    window->messageBar()->setClearTimer(std::move(timer));

    model->setMessage(QStringLiteral("Sorted"));
    EXPECT_EQ(clock->interval, 3000);
    std::exchange(clock->pending, nullptr)();
    EXPECT_TRUE(model->message().isEmpty());
    EXPECT_FALSE(window->messageBar()->isVisible());

    // An older countdown never clears a newer message.
    model->setMessage(QStringLiteral("first"));
    auto older = clock->pending;
    model->setMessage(QStringLiteral("second"));
    older();
    EXPECT_EQ(model->message(), QStringLiteral("second"));

    // A list of issues stays until it is closed.
    model->setMessage(QStringLiteral("Finished with 1 issue:\nDJI_0001.MP4: denied"));
    EXPECT_FALSE(clock->pending);
    click(window->messageBar()->findChild<QAbstractButton *>());
    EXPECT_TRUE(model->message().isEmpty());
    EXPECT_FALSE(window->messageBar()->isVisible());
}

TEST_F(WindowTest, IntroShowsOnlyOnceSixClipsAreReadAndNotAfterOrganize)
{
    writeClips(folder, 40);
    struct Step {
        qsizetype items;
        bool scanning, intro;
    };
    QList<Step> steps;
    QObject::connect(model.get(), &Model::resultChanged, window.get(), [&] {
        const auto &r = model->result();
        steps.append({r ? r->items.size() : 0, model->scanning(), window->introShown()});
    });
    drop({QUrl::fromLocalFile(folder)});
    ASSERT_TRUE(scanEnded());
    ASSERT_FALSE(steps.isEmpty());
    for (const Step &s : steps)
        EXPECT_EQ(s.intro, s.items > 0 && (!s.scanning || s.items >= Model::introMinimum)) << s.items;
    EXPECT_TRUE(window->introShown());

    // Fewer than six read while scanning: the organised face (reading) stays.
    std::optional<ScanResult> partial = model->result();
    partial->items = partial->items.mid(0, 5);
    model->load({folder});
    model->setResult(partial);
    EXPECT_TRUE(!model->scanning() || !window->introShown());
    ASSERT_TRUE(scanEnded());
    EXPECT_TRUE(window->introShown());

    // Once organised, more clips arriving never bring the intro back.
    click(window->introMosaic()->organizeButton());
    std::optional<ScanResult> more = model->result();
    more->items += more->items.mid(0, 3);
    model->setResult(more);
    EXPECT_FALSE(window->introShown());
}

TEST_F(WindowTest, TheIntroPlaysOnlyClipsItCanShow)
{
    const auto writeJunk = [](const QString &dir, int count) {
        for (int i = 0; i < count; ++i) {
            QFile junk(dir + QStringLiteral("/junk%1.MP4").arg(i));
            ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("unreadable") > 0);
        }
    };
    // Nothing but unreadable files: no intro of blank tiles, straight to the Unknown tab.
    writeJunk(folder, 30);
    drop({QUrl::fromLocalFile(folder)});
    ASSERT_TRUE(scanEnded());
    EXPECT_FALSE(window->introShown());
    EXPECT_EQ(model->lib().current, QStringLiteral("Unknown"));
    EXPECT_EQ(model->lib().visible.size(), 30);
    // Their pile has a title, on its card and once opened.
    ASSERT_EQ(window->pileList()->cards().size(), 1);
    EXPECT_EQ(window->pileList()->cards().first()->title(), QStringLiteral("Unknown"));
    window->enter(model->lib().sections.first().folder);
    EXPECT_EQ(window->pileHeader()->title(), QStringLiteral("Unknown"));

    // With real clips among them, the intro plays just those.
    const QString mixed = freshFolder();
    writeJunk(mixed, 8);
    writeClips(mixed, 6);
    drop({QUrl::fromLocalFile(mixed)});
    ASSERT_TRUE(waitUntil([&] { return model->lastURLs() == QStringList{mixed} && !model->scanning(); }));
    ASSERT_TRUE(window->introShown());
    EXPECT_EQ(window->introMosaic()->tiles().size(), 6);
}

TEST_F(WindowTest, TheThemeToolTogglesTheAppearanceAndTheStatusLineFollowsEverySwitch)
{
    writeClips(folder, 3);
    loadOrganized();
    const auto colours = [this] {
        QSet<QRgb> seen;
        for (QLabel *label : window->statusLine()->findChildren<QLabel *>())
            if (label->pixmap().isNull())
                seen.insert(label->palette().color(QPalette::WindowText).rgba());
        return seen;
    };
    IconTool *theme = window->titleRow()->themeTool();
    for (Scheme scheme : {Scheme::Dark, Scheme::Light, Scheme::Dark}) {
        click(theme);
        ASSERT_EQ(currentScheme(), scheme);
        EXPECT_EQ(schemeOf(window.get()), scheme);
        EXPECT_TRUE(waitUntil([&] { return colours() == QSet<QRgb>{Glass::secondary().in(scheme).rgba()}; }));
    }
    EXPECT_EQ(Preferences::appearance(), QStringLiteral("dark"));
    EXPECT_EQ(theme->help(), QStringLiteral("Light"));   // it now offers the way back
}

TEST_F(WindowTest, WhenNothingOpensAFolderOrAPageTheMessageBarSaysSo)
{
    window->openRoot();
    EXPECT_EQ(model->message(), QStringLiteral("Folder not found"));

    writeClips(folder, 3);
    loadOrganized();
    const QString name = QFileInfo(folder).fileName();
    // The status line's folder opens it with the desktop.
    const qsizetype before = desktopOpened().size();
    click(window->statusLine()->sourceLabel());
    ASSERT_TRUE(waitUntil([&] { return desktopOpened().size() == before + 1; }));
    EXPECT_EQ(desktopOpened().last(), folder);

    // The desktop has no handler: the folder, the site and the support address each say so.
    setDesktopOpenStatus(3);
    click(window->statusLine()->sourceLabel());
    EXPECT_TRUE(waitUntil([&] { return model->message() == QStringLiteral("No file manager could show “%1”.").arg(name); }));
    model->setMessage({});
    auto *panel = window->findChild<SettingsPanel *>();
    model->setShowSettings(true);
    QTest::mouseClick(panel->updatesButton(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return model->message() == QStringLiteral("No web browser could open https://vidorra.app/."); }));
    model->setShowSettings(true);
    QTest::mouseClick(panel->supportButton(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return model->message().startsWith(QStringLiteral("No mail program could start a message to support@")); }));
    setDesktopOpenStatus(0);

    // No xdg-open at all, and nothing else opens it either.
    model->setMessage({});
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(freshFolder()));
    window->openRoot();
    EXPECT_TRUE(waitUntil([&] { return model->message() == QStringLiteral("No file manager could show “%1”.").arg(name); }));
    qputenv("PATH", path);
}

TEST_F(WindowTest, RenameWithOnlyOtherCameraClipsSaysWhyInsteadOfAnEmptySheet)
{
    writeClips(folder, 2);
    for (const char *name : {"other1.MP4", "other2.MP4"}) {
        QFile other(folder + u'/' + QLatin1String(name));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("not from the camera") > 0);
    }
    loadOrganized();
    window->selectTab(QStringLiteral("Unknown"));
    click(window->titleRow()->renameTool());
    EXPECT_FALSE(window->renameShown());
    EXPECT_TRUE(model->message().startsWith(QStringLiteral("Nothing to rename:")));
    // The camera's own clips still open the sheet.
    window->selectTab(QStringLiteral("4K"));
    click(window->titleRow()->renameTool());
    EXPECT_TRUE(window->renameShown());
    EXPECT_EQ(window->renameTargets().size(), 2);
    window->renameSheet()->reject();
}

TEST(Appearance, ModesCompareExactlyAndOthersFollowTheDesktop)
{
    detail::overrideSystemScheme(Scheme::Dark);
    applyAppearance(QStringLiteral("Dark"));   // not "dark": follows the desktop
    detail::overrideSystemScheme(Scheme::Light);
    EXPECT_EQ(currentScheme(), Scheme::Light);
    applyAppearance(QStringLiteral("dark"));
    EXPECT_EQ(currentScheme(), Scheme::Dark);
    detail::overrideSystemScheme(Scheme::Light);   // no longer following
    EXPECT_EQ(currentScheme(), Scheme::Dark);
    applyAppearance(std::nullopt);
    EXPECT_EQ(schemeOf(QApplication::palette()), Scheme::Light);
    detail::overrideSystemScheme(std::nullopt);
    applyAppearance(QStringLiteral("light"));
}
