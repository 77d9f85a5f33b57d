// The toolbar controls driven with real pointer events: hover looks, dimmed and disabled
// buttons, the breathing pulse, the sliding tab underline, the overlay scroll bars; and
// the palette and icons they are drawn with.

#include "helpers/CardTestHelpers.h"

#include "HoverTip.h"
#include "IconTool.h"
#include "Icons.h"
#include "OpenFolderButton.h"
#include "OrganizeButton.h"
#include "OverlayScrollBar.h"
#include "Palette.h"
#include "ResolutionTab.h"
#include "ResolutionTabBar.h"
#include "SortButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <gtest/gtest.h>

using namespace vidorra;

namespace {

// Hover look has eased in completely.
bool settledHover(const HoverButton &b, double target)
{
    return QTest::qWaitFor([&] { return std::abs(b.hoverAmount() - target) < 1e-6; }, 3000);
}

void hover(QWidget *w)
{
    QTest::mouseMove(w, w->rect().center());
    // The offscreen platform does not synthesise enter events for moves alone.
    QEnterEvent enter(w->rect().center(), w->mapToGlobal(w->rect().center()), w->mapToGlobal(w->rect().center()));
    QApplication::sendEvent(w, &enter);
}

void unhover(QWidget *w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

// Share of pixels that are not fully transparent.
double coverage(const QImage &img)
{
    int inked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            inked += qAlpha(img.pixel(x, y)) > 0;
    return double(inked) / (img.width() * img.height());
}

} // namespace

TEST(IconTool, PlainByDefaultDimmedStillClickableHoverGrowsAndNamesIt)
{
    QWidget window;
    window.resize(300, 200);
    auto *plain = new IconTool(QStringLiteral("trash"), QStringLiteral("Delete"), false, false, &window);
    auto *dim = new IconTool(QStringLiteral("gearshape"), QStringLiteral("Settings"), false, true, &window);
    plain->move(100, 100);
    dim->move(150, 100);
    window.show();
    EXPECT_FALSE(plain->isOn());
    EXPECT_FALSE(plain->isDim());
    EXPECT_TRUE(dim->isDim());

    QSignalSpy dimClicks(dim, &QAbstractButton::clicked);
    QTest::mouseClick(dim, Qt::LeftButton);
    EXPECT_EQ(dimClicks.size(), 1);

    hover(plain);
    ASSERT_TRUE(settledHover(*plain, 1.0));
    EXPECT_NEAR(plain->scale(), 1.08, 1e-9);
    ASSERT_NE(plain->tip(), nullptr);
    EXPECT_EQ(plain->tip()->text(), QStringLiteral("Delete"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain->tip()->opacity() >= 1.0; }, 3000));
    // Above the tool, centred on it, and never in the way of the pointer.
    const QRect tip = plain->tip()->geometry();
    EXPECT_LE(tip.bottom(), plain->geometry().top());
    EXPECT_NEAR(tip.center().x(), plain->geometry().center().x(), 1.5);
    EXPECT_TRUE(plain->tip()->testAttribute(Qt::WA_TransparentForMouseEvents));

    unhover(plain);
    ASSERT_TRUE(settledHover(*plain, 0.0));
    EXPECT_NEAR(plain->scale(), 1.0, 1e-9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain->tip()->isHidden(); }, 3000));
}

TEST(IconTool, TipMovesBelowWhenThereIsNoRoomAbove)
{
    QWidget window;
    window.resize(300, 200);
    auto *tool = new IconTool(QStringLiteral("moon"), QStringLiteral("Dark"), false, false, &window);
    tool->move(5, 0);
    window.show();
    hover(tool);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool->tip() && tool->tip()->opacity() >= 1.0; }, 3000));
    EXPECT_GE(tool->tip()->geometry().top(), tool->geometry().bottom());
    EXPECT_GE(tool->tip()->geometry().left(), 0);
}

TEST(SortButton, DisabledIgnoresClicksAndShowsNoHoverColours)
{
    QWidget window;
    auto *off = new SortButton(QStringLiteral("Sort"), false, &window);
    auto *on = new SortButton(QStringLiteral("Sort"), true, &window);
    on->move(0, 50);
    window.show();
    QSignalSpy offClicks(off, &QAbstractButton::clicked);
    QSignalSpy onClicks(on, &QAbstractButton::clicked);

    QTest::mouseClick(off, Qt::LeftButton);
    EXPECT_EQ(offClicks.size(), 0);
    hover(off);
    QTest::qWait(250); // longer than the hover ease
    EXPECT_EQ(off->hoverAmount(), 0.0);
    EXPECT_EQ(off->fillColor(), solidFill().light);
    EXPECT_EQ(off->arrowShift(), 0.0);

    QTest::mouseClick(on, Qt::LeftButton);
    EXPECT_EQ(onClicks.size(), 1);
    hover(on);
    ASSERT_TRUE(settledHover(*on, 1.0));
    EXPECT_EQ(on->fillColor().rgb(), Glass::orange().foreground.light.rgb());
    EXPECT_EQ(on->textColor().rgb(), QColor(Qt::white).rgb());
    EXPECT_DOUBLE_EQ(on->arrowShift(), 3.0);
}

TEST(OrganizeButton, BreathesForeverOnceShownAndDisabledIgnoresClicks)
{
    QWidget window;
    auto *button = new OrganizeButton(QStringLiteral("ORGANIZE"), true, &window);
    EXPECT_EQ(button->pulseAnimation().state(), QAbstractAnimation::Stopped);
    window.show();
    EXPECT_EQ(button->pulseAnimation().state(), QAbstractAnimation::Running);
    EXPECT_EQ(button->pulseAnimation().loopCount(), -1);
    EXPECT_EQ(button->pulseAnimation().duration(), 2200); // 1.1 s out, 1.1 s back

    // At the top of a breath the capsule is at 1.05, and it comes back down.
    // (Frames may be skipped on a busy machine, so the peaks are caught near, not at, 1 and 0.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->pulse() > 0.98; }, 6000));
    EXPECT_NEAR(button->scale(), 1.05, 0.0015);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->pulse() < 0.02; }, 6000));
    // Back at rest: 1.0, or 1.025 if the pointer happens to rest on it.
    EXPECT_NEAR(button->scale(), 1.0 + 0.025 * button->hoverAmount(), 0.0015);

    // A click outside the capsule (on its shadow) does nothing; inside it organizes.
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(clicks.size(), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->capsuleRect().center().toPoint());
    EXPECT_EQ(clicks.size(), 1);

    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->capsuleRect().center().toPoint());
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(button->fillColor(), QColor(Qt::white));
}

TEST(OpenFolderButton, RunsItsActionFromAnywhereInItsFrame)
{
    OpenFolderButton button(QStringLiteral("Open Folder"));
    button.show();
    EXPECT_EQ(button.sizeHint().height(), 36); // 34 and a pixel for the outline each side
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(button.width() - 3, button.height() - 3));
    EXPECT_EQ(clicks.size(), 2);
}

TEST(ResolutionTab, CountZeroHoverLiftAndColours)
{
    QWidget window;
    auto *idle = new ResolutionTab(QStringLiteral("1080p"), 0, false, &window);
    auto *chosen = new ResolutionTab(QStringLiteral("4K"), 12, true, &window);
    chosen->move(0, 60);
    window.show();
    EXPECT_EQ(idle->count(), 0);
    EXPECT_GT(idle->sizeHint().width(), QFontMetrics(idle->font()).horizontalAdvance(QStringLiteral("1080p")));

    hover(idle);
    ASSERT_TRUE(settledHover(*idle, 1.0));
    EXPECT_DOUBLE_EQ(idle->lift(), 2.0);
    hover(chosen);
    ASSERT_TRUE(settledHover(*chosen, 1.0));
    EXPECT_DOUBLE_EQ(chosen->lift(), 0.0); // the selected tab stays put

    QSignalSpy clicks(idle, &QAbstractButton::clicked);
    QTest::mouseClick(idle, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
}

TEST(ResolutionTabBar, OneUnderlineSlidesBetweenTabsAndNoneWithoutSelection)
{
    ResolutionTabBar bar;
    bar.resize(600, 60);
    bar.setTabs({{QStringLiteral("4K"), 3}, {QStringLiteral("2.7K"), 0}, {QStringLiteral("1080p"), 7}},
                QStringLiteral("4K"));
    bar.show();
    ASSERT_TRUE(bar.underline());
    const QRectF first = *bar.underline();
    ResolutionTab *third = bar.tab(QStringLiteral("1080p"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(first, bar.tab(QStringLiteral("4K"))->underlineRect().translated(bar.tab(QStringLiteral("4K"))->pos()));

    QSignalSpy chosen(&bar, &ResolutionTabBar::tabChosen);
    QTest::mouseClick(third, Qt::LeftButton);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("1080p"));

    // The window answers by moving the selection: the same line glides over.
    bar.setTabs({{QStringLiteral("4K"), 3}, {QStringLiteral("2.7K"), 0}, {QStringLiteral("1080p"), 7}},
                QStringLiteral("1080p"));
    EXPECT_EQ(bar.tabs().at(2), third); // tabs kept, not rebuilt
    EXPECT_TRUE(bar.isSliding());
    const QRectF target = *bar.underlineTarget();
    EXPECT_GT(target.left(), first.left());
    // It starts where it was (no jump) and moves steadily over to the new tab.
    ASSERT_TRUE(bar.underline());
    EXPECT_EQ(bar.underline()->left(), first.left());
    QList<double> path;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { path << bar.underline()->left(); });
    watch.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar.isSliding(); }, 3000));
    watch.stop();
    EXPECT_TRUE(std::is_sorted(path.begin(), path.end()));
    EXPECT_EQ(*bar.underline(), target);
    EXPECT_TRUE(third->isOn());
    EXPECT_FALSE(bar.tab(QStringLiteral("4K"))->isOn());

    bar.setCurrent(std::nullopt);
    EXPECT_FALSE(bar.underline());
    for (ResolutionTab *t : bar.tabs())
        EXPECT_FALSE(t->isOn());
}

TEST(OverlayScroller, OneThinBarThatFollowsTheAreaAndIsNeverStacked)
{
    QScrollArea area;
    auto *content = new QWidget;
    content->setMinimumSize(200, 2000);
    area.setWidget(content);
    area.resize(300, 400);
    area.show();

    OverlayScrollBar *bar = OverlayScroller::install(&area);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(OverlayScroller::install(&area), bar);
    QEvent style(QEvent::StyleChange); // the desktop changed its scroll bar preference
    QApplication::sendEvent(&area, &style);
    EXPECT_EQ(area.findChildren<OverlayScrollBar *>().size(), 1);
    EXPECT_EQ(area.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(bar->width(), OverlayScrollBar::thickness);
    EXPECT_EQ(bar->geometry().right(), area.rect().right());

    QScrollBar *own = area.verticalScrollBar();
    ASSERT_GT(own->maximum(), 0);
    EXPECT_EQ(bar->maximum(), own->maximum());
    own->setValue(own->maximum() / 2);
    EXPECT_EQ(bar->value(), own->value());
    bar->setValue(0);
    EXPECT_EQ(own->value(), 0);

    // Dragging the knob scrolls the area; nothing is drawn where the track would be.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->knobOpacity() >= 1.0; }, 2000));
    const QRectF knob = bar->knobRect();
    ASSERT_FALSE(knob.isEmpty());
    QTest::mousePress(bar, Qt::LeftButton, {}, knob.center().toPoint());
    QTest::mouseMove(bar, knob.center().toPoint() + QPoint(0, 150));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, knob.center().toPoint() + QPoint(0, 150));
    EXPECT_GT(own->value(), 0);
    const QImage img = bar->grab().toImage();
    const QPoint empty(int(bar->knobRect().center().x()),
                       bar->knobRect().top() > 20 ? 5 : bar->height() - 5);
    EXPECT_EQ(qAlpha(img.pixel(empty)), 0);
}

TEST(Palette, ProfilePillsAndSchemes)
{
    EXPECT_EQ(profilePill(QStringLiteral("D-Log")).foreground.light, QColor(228, 87, 13));
    EXPECT_EQ(profilePill(QStringLiteral("D-Log 2")).foreground.dark, QColor(52, 211, 153));
    EXPECT_EQ(profilePill(QStringLiteral("HLG")).background.light, Glass::chip().light);
    EXPECT_EQ(profilePill(QStringLiteral("d-log")).foreground.light, Glass::secondary().light);
    EXPECT_EQ(schemeOf(appPalette(Scheme::Dark)), Scheme::Dark);
    EXPECT_EQ(schemeOf(appPalette(Scheme::Light)), Scheme::Light);
    EXPECT_NEAR(Glass::orange().background.dark.alphaF(), 0.16, 0.005);
    EXPECT_EQ(solidText().in(Scheme::Dark), QColor(Qt::white));
}

TEST(Icons, EverySymbolDrawsAndStaysSharpAtTwiceTheScale)
{
    const QStringList names = {"arrow.uturn.backward", "trash", "wand.and.stars", "pencil", "gearshape",
                               "sun.max", "moon", "folder", "folder.fill", "arrow.right", "play.fill",
                               "xmark", "chevron.left", "plus", "film.stack"};
    for (const QString &name : names) {
        ASSERT_TRUE(Icons::has(name)) << name.toStdString();
        QImage one(14, 14, QImage::Format_ARGB32_Premultiplied);
        one.fill(Qt::transparent);
        QPainter p1(&one);
        Icons::paint(p1, name, QRectF(0, 0, 14, 14), Qt::black);
        p1.end();
        EXPECT_GT(coverage(one), 0.05) << name.toStdString();

        // Drawn at twice the pixels, not scaled up: the same share of the box is inked
        // and its edges are as narrow (a blurred copy would have wider half-tone edges).
        const QIcon icon = Icons::icon(name, Qt::black);
        const QPixmap two = icon.pixmap(QSize(14, 14), 2.0);
        EXPECT_EQ(two.size(), QSize(28, 28)) << name.toStdString();
        EXPECT_NEAR(coverage(two.toImage()), coverage(one), 0.2) << name.toStdString();
    }
    EXPECT_FALSE(Icons::has(QStringLiteral("no.such.symbol")));
}

TEST(Controls, RenderInBothAppearances)
{
    for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        const QString tag = scheme == Scheme::Dark ? QStringLiteral("dark") : QStringLiteral("light");
        QWidget strip;
        cardtest::paint(&strip, scheme);
        auto *row = new QHBoxLayout(&strip);
        const QStringList tools = {"arrow.uturn.backward", "trash", "wand.and.stars", "pencil", "gearshape",
                                   scheme == Scheme::Dark ? "sun.max" : "moon"};
        for (const QString &t : tools)
            row->addWidget(new IconTool(t, t, t == QLatin1String("wand.and.stars")));
        row->addWidget(new OpenFolderButton(QStringLiteral("Open Folder")));
        row->addWidget(new SortButton(QStringLiteral("Sort"), true));
        row->addWidget(new SortButton(QStringLiteral("Sort"), false));
        auto *organize = new OrganizeButton(QStringLiteral("ORGANIZE"));
        row->addWidget(organize);
        strip.show();
        const QImage shot = cardtest::shoot(&strip, QStringLiteral("controls-") + tag);
        EXPECT_FALSE(shot.isNull());

        ResolutionTabBar bar;
        cardtest::paint(&bar, scheme);
        bar.resize(520, 60);
        bar.setTabs({{QStringLiteral("4K"), 31}, {QStringLiteral("2.7K"), 0}, {QStringLiteral("1080p"), 7}},
                    QStringLiteral("4K"));
        bar.show();
        cardtest::shoot(&bar, QStringLiteral("tabs-") + tag);
    }
}

int main(int argc, char **argv)
{
    cardtest::usePrivateHome();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
