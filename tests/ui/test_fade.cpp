// A page that replaces another eases in and then paints directly again.

#include "FadeIn.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

TEST(FadeIn, StartsTransparentEndsOpaqueAndLeavesNoEffect)
{
    QStackedWidget stack;
    auto *first = new QLabel(QStringLiteral("first"), &stack);
    auto *second = new QLabel(QStringLiteral("second"), &stack);
    stack.addWidget(first);
    stack.addWidget(second);
    stack.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stack));

    stack.setCurrentWidget(second);
    fadeIn(second, 120, QEasingCurve::OutCubic);
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(second->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_LT(effect->opacity(), 0.5);

    // A second fade before the first ends restarts it; only its own effect is removed.
    fadeIn(second, 120, QEasingCurve::OutCubic);
    EXPECT_TRUE(waitUntil([&] { return second->graphicsEffect() == nullptr; }));
}

TEST(FadeIn, AHiddenPageIsLeftAlone)
{
    QStackedWidget stack;
    auto *page = new QLabel(QStringLiteral("page"));
    stack.addWidget(page);
    fadeIn(page, 120, QEasingCurve::OutCubic);
    EXPECT_EQ(page->graphicsEffect(), nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    // Listing the tests at build time happens without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
