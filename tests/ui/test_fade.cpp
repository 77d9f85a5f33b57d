// A page that replaces another eases in from the window's colour without slowing its own
// painting; a translucent layer eases in and then paints directly again.

#include "helpers/TestHelpers.h"

#include "kit/FadeIn.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>

using namespace vidorra;

namespace {
QList<QWidget *> veils(QWidget *page)
{
    QList<QWidget *> out;
    for (QWidget *w : page->findChildren<QWidget *>(QStringLiteral("fadeVeil"), Qt::FindDirectChildrenOnly))
        out << w;
    return out;
}
} // namespace

TEST(FadeIn, AVeilCoversThePageLetsClicksThroughAndGoes)
{
    QStackedWidget stack;
    auto *first = new QLabel(QStringLiteral("first"));
    auto *second = new QLabel(QStringLiteral("second"));
    stack.addWidget(first);
    stack.addWidget(second);
    fadeIn(second, 120, QEasingCurve::OutCubic);   // not on screen: nothing to ease
    EXPECT_TRUE(veils(second).isEmpty());

    stack.resize(300, 200);
    stack.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stack));
    stack.setCurrentWidget(second);
    fadeIn(second, 120, QEasingCurve::OutCubic);
    ASSERT_EQ(veils(second).size(), 1);
    QWidget *veil = veils(second).first();
    EXPECT_EQ(second->graphicsEffect(), nullptr);   // the page itself paints as ever
    EXPECT_TRUE(veil->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(veil->geometry(), second->rect());
    EXPECT_EQ(second->childAt(10, 10), nullptr);   // clicks reach the page
    // The window's colour covers the page at first.
    const QImage start = stack.grab().toImage();
    EXPECT_EQ(start.pixelColor(5, 5).rgb(), stack.palette().color(QPalette::Window).rgb());

    stack.resize(400, 260);   // the veil follows the page
    EXPECT_TRUE(QTest::qWaitFor([&] { return veils(second).isEmpty() || veils(second).first()->size() == second->size(); }, 2000));
    fadeIn(second, 120, QEasingCurve::OutCubic);   // a second fade replaces the first
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(veils(second).size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return veils(second).isEmpty(); }, 5000));
}

TEST(FadeIn, ALayerStartsTransparentAndEndsWithoutAnEffect)
{
    QLabel layer(QStringLiteral("layer"));
    layer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&layer));
    fadeInLayer(&layer, 120, QEasingCurve::OutCubic);
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(layer.graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_LT(effect->opacity(), 0.5);
    fadeInLayer(&layer, 120, QEasingCurve::OutCubic);   // restarts; only its own effect goes
    EXPECT_TRUE(QTest::qWaitFor([&] { return layer.graphicsEffect() == nullptr; }, 5000));
}

TEST(FadeIn, ALayerLeavesAtOnceWhileItsPictureFadesInItsPlace)
{
    QWidget window;
    window.resize(300, 200);
    auto *below = new QLabel(QStringLiteral("below"), &window);
    auto *layer = new QLabel(QStringLiteral("layer"), &window);
    auto *above = new QLabel(QStringLiteral("above"), &window);
    layer->setGeometry(20, 20, 200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    fadeOutLayer(layer, 150, QEasingCurve::OutCubic);
    EXPECT_FALSE(layer->isVisible());
    auto *ghost = window.findChild<QWidget *>(QStringLiteral("fadeGhost"));
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(ghost->geometry(), layer->geometry());
    EXPECT_TRUE(ghost->testAttribute(Qt::WA_TransparentForMouseEvents));
    // It takes the layer's place in the stacking, under what lay above it.
    const QObjectList order = window.children();
    EXPECT_LT(order.indexOf(below), order.indexOf(ghost));
    EXPECT_LT(order.indexOf(ghost), order.indexOf(above));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.findChild<QWidget *>(QStringLiteral("fadeGhost")); }, 5000));
}
