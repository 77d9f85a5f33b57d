// The window's arithmetic: the intro mosaic, the card grid's column rule, selection by
// click, and the status line's sizes and durations.

#include "ChaosLayout.h"
#include "GridMetrics.h"
#include "Selection.h"
#include "StatusText.h"
#include "text/Language.h"

#include <QCoreApplication>
#include <QSet>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

QList<int> clipsOf(const QList<ChaosSlot> &slots)
{
    QList<int> out;
    for (const ChaosSlot &s : slots) {
        if (s.clip >= 0)
            out.append(s.clip);
    }
    return out;
}

} // namespace

TEST(ChaosLayout, SmallCountsFillAPlainGrid)
{
    // 9 clips: 3 columns, 3 rows over the whole area, 2 apart.
    const QList<ChaosSlot> nine = chaosLayout(9, 598, 298);
    ASSERT_EQ(nine.size(), 9);
    EXPECT_DOUBLE_EQ(nine[0].rect.width(), 198.0);
    EXPECT_DOUBLE_EQ(nine[1].rect.left(), 200.0);
    EXPECT_DOUBLE_EQ(nine[8].rect.right(), 598.0);
    EXPECT_DOUBLE_EQ(nine[8].rect.bottom(), 298.0);
    // 10 to 12 clips: 4 columns.
    const QList<ChaosSlot> ten = chaosLayout(10, 806, 300);
    ASSERT_EQ(ten.size(), 10);
    EXPECT_DOUBLE_EQ(ten[3].rect.top(), ten[0].rect.top());
    EXPECT_GT(ten[4].rect.top(), ten[0].rect.top());
    EXPECT_DOUBLE_EQ(ten[3].rect.right(), 806.0);
    EXPECT_TRUE(chaosLayout(0, 800, 600).isEmpty());
}

TEST(ChaosLayout, RowsOfFiveAreExactlyTheWidthAndAlternate)
{
    const double W = 1003, H = 700;   // unit 249, h 140, extra 1
    const QList<ChaosSlot> slots = chaosLayout(13, W, H);
    ASSERT_EQ(slots.size(), 15);       // three rows of five places, the last partly empty
    EXPECT_EQ(clipsOf(slots), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    // Row 0: large on the left (2u+2 wide, 2h+2 high), block on the right, its right
    // column one pixel wider.
    EXPECT_EQ(slots[0].rect, QRectF(0, slots[0].rect.top(), 500, 282));
    EXPECT_DOUBLE_EQ(slots[1].rect.left(), 502);
    EXPECT_DOUBLE_EQ(slots[1].rect.width(), 249);
    EXPECT_DOUBLE_EQ(slots[2].rect.width(), 250);
    EXPECT_DOUBLE_EQ(slots[2].rect.right(), W);
    EXPECT_DOUBLE_EQ(slots[3].rect.top(), slots[1].rect.top() + 142);
    // Row 1 is mirrored: block on the left, the large tile on the right taking the extra.
    EXPECT_DOUBLE_EQ(slots[6].rect.left(), 0);
    EXPECT_DOUBLE_EQ(slots[5].rect.left(), 502);
    EXPECT_DOUBLE_EQ(slots[5].rect.width(), 501);
    EXPECT_DOUBLE_EQ(slots[5].rect.right(), W);
    // The last row holds clips 10-12; two places of its block stay empty.
    EXPECT_EQ(slots[13].clip, -1);
    EXPECT_EQ(slots[14].clip, -1);
    // Rows are 2 apart and centred vertically.
    EXPECT_DOUBLE_EQ(slots[5].rect.top() - slots[0].rect.bottom(), 2);
    const double top = slots[0].rect.top(), bottom = slots[10].rect.bottom();
    EXPECT_NEAR(top, H - bottom, 0.5);
}

TEST(ChaosLayout, ManyClipsAreSampledEvenly)
{
    // W 1003 gives h 140: rows = ceil(300 / 284) = 2, capacity 10.
    const QList<ChaosSlot> slots = chaosLayout(1000, 1003, 300);
    EXPECT_EQ(clipsOf(slots), (QList<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    // A fractional step is truncated.
    EXPECT_EQ(clipsOf(chaosLayout(25, 1003, 300)), (QList<int>{0, 2, 5, 7, 10, 12, 15, 17, 20, 22}));
    // A tiny height still shows one row.
    EXPECT_EQ(clipsOf(chaosLayout(40, 1003, 1)).size(), 5);
}

TEST(GridMetrics, ColumnRule)
{
    const GridMetrics wide = gridMetrics(1200);
    EXPECT_EQ(wide.columns, 5);
    EXPECT_NEAR(wide.cardWidth, 228.8, 1e-9);
    EXPECT_EQ(wide.rowHeight, 187);   // ceil(228.8 * 9 / 16 + 58) = ceil(186.7)
    const GridMetrics narrow = gridMetrics(400);
    EXPECT_EQ(narrow.columns, 1);
    EXPECT_DOUBLE_EQ(narrow.cardWidth, 384);
    EXPECT_EQ(narrow.rowHeight, 274);
    // Exactly at the edge of a sixth column: (1206 - 16 + 10) / 200 = 6.
    EXPECT_EQ(gridMetrics(1206).columns, 6);
    EXPECT_EQ(gridMetrics(1205).columns, 5);
    EXPECT_EQ(gridMetrics(0).columns, 1);
}

TEST(Selection, ClickShiftAndCtrlFollowTheExamples)
{
    const QList<QUuid> ids = {QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid(),
                              QUuid::createUuid()};
    const QUuid A = ids[0], B = ids[1], C = ids[2], D = ids[3], E = ids[4];
    SelectionState s;
    s = clickSelection(s, A, ids, Qt::NoModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({A}));
    s = clickSelection(s, D, ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({A, B, C, D}));
    EXPECT_EQ(s.anchor, A);
    s = clickSelection(s, B, ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({A, B}));

    // Ctrl toggles and moves the anchor; Ctrl+Shift acts as Ctrl.
    s = clickSelection(s, A, ids, Qt::ControlModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({B}));
    EXPECT_EQ(s.anchor, A);
    s = clickSelection(s, E, ids, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({B, E}));
    EXPECT_EQ(s.anchor, E);
    // Shift-click upwards from the anchor.
    s = clickSelection(s, C, ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({C, D, E}));
}

TEST(Selection, ShiftWithoutAVisibleAnchorIsAPlainClick)
{
    const QList<QUuid> ids = {QUuid::createUuid(), QUuid::createUuid()};
    SelectionState s = clickSelection({}, ids[1], ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({ids[1]}));
    EXPECT_EQ(s.anchor, ids[1]);
    s.anchor = QUuid::createUuid();   // the anchor's clip left the view
    s = clickSelection(s, ids[0], ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({ids[0]}));
    EXPECT_EQ(s.anchor, ids[0]);
}

TEST(StatusText, DurationsRoundHalfAwayFromZero)
{
    EXPECT_EQ(minutesSeconds(59.5), QStringLiteral("1:00"));
    EXPECT_EQ(minutesSeconds(61), QStringLiteral("1:01"));
    EXPECT_EQ(minutesSeconds(3725.4), QStringLiteral("62:05"));
    EXPECT_EQ(minutesSeconds(0.49), QStringLiteral("0:00"));
    EXPECT_TRUE(stats(0, 59.5).endsWith(QStringLiteral(" · 1:00")));
    EXPECT_TRUE(stats(1'500'000, 61).endsWith(QStringLiteral(" · 1:01")));
    EXPECT_TRUE(stats(1'500'000, 61).startsWith(QStringLiteral("1.5 MB")));
    EXPECT_EQ(statusText(3, 0, 61).left(9), QStringLiteral("3 clips ·"));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    vidorra::Language::apply(QStringLiteral("en"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
