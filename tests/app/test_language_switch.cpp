// Switching the language with every face of the window shown: every widget's text and
// tool tip, every menu action and the context menus follow at once, in both directions,
// and the tab the user is on stays.

#include "../ui/helpers/TestHelpers.h"
#include "../metadata/Printers.h"

#include "app/VidorraApp.h"
#include "model/Model.h"
#include "text/Language.h"
#include "ui/piles/CardGrid.h"
#include "ui/piles/ClipCard.h"
#include "ui/window/EmptyState.h"
#include "kit/HoverTip.h"
#include "kit/IconTool.h"
#include "ui/intro/IntroMosaic.h"
#include "ui/window/MainWindow.h"
#include "kit/OrganizeButton.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileGrid.h"
#include "ui/piles/PileList.h"
#include "ui/panels/RenameSheet.h"
#include "kit/ResolutionTabBar.h"
#include "kit/SettingsPanelControls.h"
#include "ui/window/WindowState.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QXmlStreamReader>

using namespace vidorra;
using namespace vidorra::uitest;

namespace {

// A placeholder of a key or translation stands for any text.
QRegularExpression patternOf(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral("%(?:l{0,2}[diu]|@|n)"));
    QString pattern;
    qsizetype at = 0;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        pattern += QRegularExpression::escape(text.mid(at, m.capturedStart() - at)) + QStringLiteral(".*");
        at = m.capturedEnd();
    }
    pattern += QRegularExpression::escape(text.mid(at));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern.replace(QStringLiteral("%%"), QStringLiteral("%"))),
                              QRegularExpression::DotMatchesEverythingOption);
}

// One text of the tables: its English wordings (the key, and for a counted text its
// English singular) and its Spanish ones. Only texts that read differently count.
struct Wording {
    QList<QRegularExpression> english, spanish;
};

QList<Wording> wordingsFromTables()
{
    QHash<QString, QStringList> englishForms;   // key -> English forms of counted texts
    QList<std::pair<QString, QStringList>> spanish;
    QDirIterator files(QStringLiteral(VIDORRA_SOURCE_DIR "/resources/translations"), {QStringLiteral("*.ts")});
    while (files.hasNext()) {
        const QString path = files.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        QXmlStreamReader xml(&f);
        QString source;
        QStringList forms;
        bool counted = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("message"))
                counted = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            else if (xml.isStartElement() && xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.isStartElement() && ((xml.name() == QLatin1String("translation") && !counted)
                                               || xml.name() == QLatin1String("numerusform")))
                forms << xml.readElementText();
            else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
                forms.removeAll(QString());
                if (path.endsWith(QLatin1String("_en.ts")))
                    englishForms[source] += forms;
                else
                    spanish.append({source, forms});
                forms.clear();
            }
        }
    }
    QList<Wording> out;
    for (const auto &[key, forms] : spanish) {
        const QStringList english = QStringList{key} + englishForms.value(key);
        if (QSet<QString>(english.begin(), english.end()) == QSet<QString>(forms.begin(), forms.end()))
            continue;   // the same in both languages
        Wording w;
        for (const QString &e : english)
            w.english << patternOf(e);
        for (const QString &s : forms)
            w.spanish << patternOf(s);
        out << w;
    }
    return out;
}

bool matchesAny(const QList<QRegularExpression> &patterns, const QString &text)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const auto &p) { return p.match(text).hasMatch(); });
}

// Every text the application's widgets (menus included) hold now, shown or not, with
// where it is.
QList<std::pair<QString, QString>> textsNow()
{
    QList<std::pair<QString, QString>> out;
    const auto add = [&](const QObject *where, const QString &text) {
        if (!text.trimmed().isEmpty())
            out.append({QString::fromLatin1(where->metaObject()->className()) + u' ' + where->objectName(), text});
    };
    const auto addActions = [&](const QWidget *w) {
        for (QAction *a : w->actions()) {
            add(w, a->text());
            add(w, a->toolTip() == QString(a->text()).remove(u'&') ? QString() : a->toolTip());
        }
    };
    const QList<QWidget *> widgets = QApplication::allWidgets();
    for (QWidget *w : widgets) {
        add(w, w->toolTip());
        add(w, w->accessibleName());
        if (w->isWindow())
            add(w, w->windowTitle());
        addActions(w);
        if (auto *l = qobject_cast<QLabel *>(w))
            add(w, l->text());
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            add(w, b->text());
        if (auto *e = qobject_cast<QLineEdit *>(w))
            add(w, e->placeholderText());
        if (auto *t = qobject_cast<IconTool *>(w))
            add(w, t->help());
        if (auto *t = qobject_cast<HoverTip *>(w))
            add(w, t->text());
        if (auto *c = qobject_cast<SegmentedChoice *>(w))
            for (int i = 0; i < c->count(); ++i)
                add(w, c->textAt(i));
        if (auto *e = qobject_cast<EmptyState *>(w)) {
            add(w, e->title());
            add(w, e->hint());
        }
        if (auto *g = qobject_cast<PileGrid *>(w))
            add(w, g->heading());
        if (auto *p = qobject_cast<PileCard *>(w)) {
            add(w, p->title());
            add(w, p->countText());
        }
        if (auto *c = qobject_cast<ClipCard *>(w))
            add(w, c->details().parts);
        if (auto *i = qobject_cast<IntroMosaic *>(w))
            add(w, i->progressText());
    }
    return out;
}

// Texts in the other language, one a line: worded as one language's table and not as
// the other's.
QString leftovers(bool spanishNow)
{
    static const QList<Wording> wordings = wordingsFromTables();
    QStringList wrong;
    for (const auto &[where, text] : textsNow()) {
        for (const Wording &w : wordings) {
            const auto &other = spanishNow ? w.english : w.spanish;
            const auto &own = spanishNow ? w.spanish : w.english;
            if (matchesAny(other, text) && !matchesAny(own, text)) {
                wrong << where + QStringLiteral(": ") + text;
                break;
            }
        }
    }
    wrong.removeDuplicates();
    return wrong.join(u'\n');
}

class LanguageSwitch : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        folder = freshFolder();
        writeClips(folder, 40);                                                    // one large 4K pile
        writeClips(folder, 4, {.width = 1920, .height = 1080, .captureFPS = 120}, 41);   // slow motion
        for (int i = 0; i < 3; ++i) {                                              // unreadable: Unknown
            QFile junk(folder + QStringLiteral("/junk%1.MP4").arg(i));
            ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not a movie") > 0);
        }
        app = std::make_unique<VidorraApp>();
        app->launch({folder});
        window = app->window();
        window->resize(1024, 704);
        model = app->model();
        ASSERT_TRUE(waitUntil([&] { return model->result() && !model->scanning() && window->introShown(); }));
    }
    void TearDown() override
    {
        model->setLanguage(QStringLiteral("en"));
        window->close();
        app.reset();
    }
    // Both ways: Spanish leaves no English text, and English no Spanish one.
    void switchBothWays(const QString &face)
    {
        model->setLanguage(QStringLiteral("es"));
        EXPECT_EQ(leftovers(true), QString()) << qPrintable(face) << " in Spanish";
        model->setLanguage(QStringLiteral("en"));
        EXPECT_EQ(leftovers(false), QString()) << qPrintable(face) << " in English";
    }

    QString folder;
    std::unique_ptr<VidorraApp> app;
    MainWindow *window = nullptr;
    Model *model = nullptr;
};

} // namespace

TEST_F(LanguageSwitch, EveryFaceFollowsBothWays)
{
    // The intro, with the settings popover open over it.
    model->setShowSettings(true);
    switchBothWays(QStringLiteral("intro and settings"));
    model->setLanguage(QStringLiteral("es"));
    EXPECT_EQ(window->introMosaic()->organizeButton()->text(), QStringLiteral("Organizar"));
    // The setting names the intro's button by the button's own word.
    EXPECT_TRUE(L("Skip Organize intro").contains(window->introMosaic()->organizeButton()->text()));
    model->setShowSettings(false);

    // The piles, then an open pile scrolled to its end and back, so cards made in one
    // language are bound again in the other.
    QTest::mouseClick(window->introMosaic()->organizeButton(), Qt::LeftButton);
    ASSERT_FALSE(window->introShown());
    switchBothWays(QStringLiteral("piles"));
    CardGrid *grid = window->cardGrid();
    const auto openAndScroll = [&] {
        window->enter(model->lib().sections.first().folder);
        ASSERT_TRUE(waitUntil([&] { return !grid->boundCards().isEmpty(); }));
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        grid->verticalScrollBar()->setValue(0);
    };
    openAndScroll();
    model->setLanguage(QStringLiteral("es"));   // closes the pile
    openAndScroll();
    EXPECT_EQ(leftovers(true), QString()) << "recycled cards in Spanish";
    model->setLanguage(QStringLiteral("en"));

    // The open pile with its menus, the preview, the message bar and the rename sheet.
    openAndScroll();
    model->setPreview(openItems(*model)->first());
    model->setMessage(QStringLiteral("DJI_0001.MP4: denied\nDJI_0002.MP4: denied"));
    window->openRename();
    ASSERT_TRUE(window->renameSheet());
    for (QAction *menu : window->menuBar()->actions())
        ASSERT_TRUE(menu->menu());
    window->menuBar()->actions().first()->menu()->popup(window->mapToGlobal(QPoint(20, 20)));
    switchBothWays(QStringLiteral("open pile, preview, message, rename sheet and menus"));
    window->menuBar()->actions().first()->menu()->hide();
    window->renameSheet()->reject();

    // Context menus are worded when they open.
    model->setLanguage(QStringLiteral("es"));
    openAndScroll();
    std::unique_ptr<QMenu> cardMenu(grid->boundCards().first()->makeContextMenu());
    window->enter(std::nullopt);
    std::unique_ptr<QMenu> pileMenu(window->pileList()->cards().first()->makeContextMenu());
    EXPECT_EQ(leftovers(true), QString()) << "context menus";
}

TEST_F(LanguageSwitch, TheTabStaysAndTheOpenPileCloses)
{
    QTest::mouseClick(window->introMosaic()->organizeButton(), Qt::LeftButton);
    const QString unknown = model->lib().tabs.last().name;
    ASSERT_EQ(unknown, QStringLiteral("Unknown"));
    window->selectTab(unknown);
    window->enter(model->lib().sections.first().folder);
    ASSERT_TRUE(model->openFolder());

    model->setLanguage(QStringLiteral("es"));
    EXPECT_EQ(model->lib().current, QStringLiteral("Desconocido"));
    EXPECT_EQ(window->tabBar()->current(), QStringLiteral("Desconocido"));
    EXPECT_EQ(model->lib().visible.size(), 3);
    EXPECT_FALSE(model->openFolder());
    model->setLanguage(QStringLiteral("en"));
    EXPECT_EQ(model->lib().current, QStringLiteral("Unknown"));

    // A resolution tab is never worded, and stays as well.
    window->selectTab(QStringLiteral("1080p"));
    model->setLanguage(QStringLiteral("es"));
    EXPECT_EQ(model->lib().current, QStringLiteral("1080p"));
}
