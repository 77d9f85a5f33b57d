// The toolbar controls driven with real pointer events: hover looks, dimmed and disabled
// buttons, the action buttons' click areas and the overlay scroll bars.

#include "helpers/TestHelpers.h"

#include "kit/HoverTip.h"
#include "kit/IconTool.h"
#include "kit/OpenFolderButton.h"
#include "kit/OrganizeButton.h"
#include "kit/OverlayScrollBar.h"
#include "kit/SortButton.h"

#include <QScrollArea>
#include <QScrollBar>


using namespace vidorra;
using namespace vidorra::uitest;

namespace {

// The hover look has eased all the way to `target`.
bool settledHover(const HoverButton &b, double target)
{
    return waitUntil([&] { return std::abs(b.hoverAmount() - target) < 1e-6; }, 3000);
}

void hover(QWidget *w)
{
    QTest::mouseMove(w, w->rect().center());
    // The offscreen platform does not synthesise enter events for moves alone.
    QEnterEvent enter(w->rect().center(), w->mapToGlobal(w->rect().center()), w->mapToGlobal(w->rect().center()));
    QApplication::sendEvent(w, &enter);
}

} // namespace

TEST(IconTool, DimmedStillClicksAndTheTipNamesItWithoutCoveringThePointer)
{
    QWidget window;
    window.resize(300, 200);
    auto *middle = new IconTool(QStringLiteral("trash"), QStringLiteral("Delete"), false, true, &window);
    auto *top = new IconTool(QStringLiteral("moon"), QStringLiteral("Dark"), false, false, &window);
    middle->move(100, 100);
    top->move(5, 0);
    window.show();

    QSignalSpy clicks(middle, &QAbstractButton::clicked);
    QTest::mouseClick(middle, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);

    hover(middle);
    ASSERT_TRUE(waitUntil([&] { return middle->tip() && middle->tip()->opacity() >= 1.0; }, 3000));
    EXPECT_EQ(middle->tip()->text(), QStringLiteral("Delete"));
    EXPECT_TRUE(middle->tip()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(middle, &leave);
    ASSERT_TRUE(waitUntil([&] { return middle->tip()->isHidden(); }, 3000));

    // No room above: the tip goes below, inside the window.
    hover(top);
    ASSERT_TRUE(waitUntil([&] { return top->tip() && top->tip()->opacity() >= 1.0; }, 3000));
    EXPECT_GE(top->tip()->geometry().top(), top->geometry().bottom());
    EXPECT_GE(top->tip()->geometry().left(), 0);
}

TEST(SortButton, DisabledIgnoresClicksAndShowsNoHoverLook)
{
    QWidget window;
    auto *off = new SortButton(QStringLiteral("Sort"), false, &window);
    auto *on = new SortButton(QStringLiteral("Sort"), true, &window);
    on->move(0, 50);
    window.show();
    QSignalSpy offClicks(off, &QAbstractButton::clicked);
    QTest::mouseClick(off, Qt::LeftButton);
    EXPECT_EQ(offClicks.size(), 0);

    hover(off);
    hover(on);
    ASSERT_TRUE(settledHover(*on, 1.0));   // by now the disabled one would have eased in too
    EXPECT_NE(on->fillColor(), off->fillColor());
    EXPECT_EQ(off->hoverAmount(), 0.0);
}

TEST(ActionButtons, OrganizeClicksOnItsCapsuleOpenFolderAnywhereInItsFrame)
{
    QWidget window;
    auto *organize = new OrganizeButton(QStringLiteral("ORGANIZE"), true, &window);
    auto *open = new OpenFolderButton(QStringLiteral("Open Folder"), &window);
    open->move(0, 100);
    window.show();

    // A click outside the capsule (on its shadow) does nothing; inside it organizes.
    QSignalSpy organized(organize, &QAbstractButton::clicked);
    const QPoint inside = organize->capsuleRect().center().toPoint();
    QTest::mouseClick(organize, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(organize, Qt::LeftButton, {}, inside);
    organize->setEnabled(false);
    QTest::mouseClick(organize, Qt::LeftButton, {}, inside);
    EXPECT_EQ(organized.size(), 1);

    QSignalSpy opened(open, &QAbstractButton::clicked);
    QTest::mouseClick(open, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(open, Qt::LeftButton, {}, QPoint(open->width() - 3, open->height() - 3));
    EXPECT_EQ(opened.size(), 2);
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
    QEvent style(QEvent::StyleChange);   // the desktop changed its scroll bar preference
    QApplication::sendEvent(&area, &style);
    EXPECT_EQ(area.findChildren<OverlayScrollBar *>().size(), 1);
    EXPECT_EQ(area.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QScrollBar *own = area.verticalScrollBar();
    ASSERT_GT(own->maximum(), 0);
    own->setValue(own->maximum() / 2);
    EXPECT_EQ(bar->value(), own->value());
    bar->setValue(0);
    EXPECT_EQ(own->value(), 0);

    // Dragging the knob scrolls the area.
    ASSERT_TRUE(waitUntil([&] { return bar->knobOpacity() >= 1.0; }, 2000));
    const QPoint knob = bar->knobRect().center().toPoint();
    QTest::mousePress(bar, Qt::LeftButton, {}, knob);
    QTest::mouseMove(bar, knob + QPoint(0, 150));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, knob + QPoint(0, 150));
    EXPECT_GT(own->value(), 0);
}
