// A page that replaces another eases in and then paints directly again.

#include "FadeIn.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace vidorra;

TEST(FadeIn, StartsTransparentEndsWithoutAnEffectAndLeavesHiddenPagesAlone)
{
    QStackedWidget stack;
    auto *first = new QLabel(QStringLiteral("first"));
    auto *second = new QLabel(QStringLiteral("second"));
    stack.addWidget(first);
    stack.addWidget(second);
    fadeIn(second, 120, QEasingCurve::OutCubic);   // not on screen: nothing to ease
    EXPECT_EQ(second->graphicsEffect(), nullptr);

    stack.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stack));
    stack.setCurrentWidget(second);
    fadeIn(second, 120, QEasingCurve::OutCubic);
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(second->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_LT(effect->opacity(), 0.5);
    // A second fade before the first ends restarts it; only its own effect is removed.
    fadeIn(second, 120, QEasingCurve::OutCubic);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second->graphicsEffect() == nullptr; }, 5000));
}

int main(int argc, char **argv)
{
    // Listing the tests at build time happens without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
