// A page that replaces another eases in and then paints directly again.

#include "helpers/TestHelpers.h"

#include "FadeIn.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>

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
