// The window's arithmetic: the intro mosaic, the card grid's column rule, selection by
// click, and the status line's durations.

#include "helpers/TestHelpers.h"

#include "kit/ChaosLayout.h"
#include "kit/GridMetrics.h"
#include "kit/Selection.h"
#include "ui/window/StatusText.h"
#include "text/Language.h"

#include <QSet>

using namespace vidorra;

namespace {

QList<int> clipsOf(const QList<ChaosSlot> &slots)
{
    QList<int> out;
    for (const ChaosSlot &s : slots)
        if (s.clip >= 0)
            out.append(s.clip);
    return out;
}

} // namespace

TEST(ChaosLayout, SmallCountsFillAPlainGrid)
{
    const QList<ChaosSlot> nine = chaosLayout(9, 598, 298);   // 3 x 3, 2 apart
    ASSERT_EQ(nine.size(), 9);
    EXPECT_DOUBLE_EQ(nine[8].rect.right(), 598.0);
    EXPECT_DOUBLE_EQ(nine[8].rect.bottom(), 298.0);
    const QList<ChaosSlot> ten = chaosLayout(10, 806, 300);   // 4 columns from ten on
    ASSERT_EQ(ten.size(), 10);
    EXPECT_DOUBLE_EQ(ten[3].rect.right(), 806.0);
    EXPECT_TRUE(chaosLayout(0, 800, 600).isEmpty());
}

TEST(ChaosLayout, RowsOfFiveFillTheWidthAlternateCentreAndSampleEvenly)
{
    const double W = 1003, H = 700;   // unit 249, one pixel left over
    const QList<ChaosSlot> slots = chaosLayout(13, W, H);
    ASSERT_EQ(slots.size(), 15);       // three rows of five places, the last partly empty
    EXPECT_EQ(clipsOf(slots), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(slots[13].clip, -1);
    // Row 0: the large tile on the left, the block's right column taking the extra pixel.
    EXPECT_DOUBLE_EQ(slots[0].rect.left(), 0);
    EXPECT_DOUBLE_EQ(slots[2].rect.right(), W);
    // Row 1 is mirrored: the large tile on the right.
    EXPECT_DOUBLE_EQ(slots[5].rect.left(), 502);
    EXPECT_DOUBLE_EQ(slots[5].rect.right(), W);
    // Rows are 2 apart and centred vertically.
    EXPECT_DOUBLE_EQ(slots[5].rect.top() - slots[0].rect.bottom(), 2);
    EXPECT_NEAR(slots[0].rect.top(), H - slots[10].rect.bottom(), 0.5);

    // More clips than places: an even sample. Two rows fit here, ten places.
    EXPECT_EQ(clipsOf(chaosLayout(1000, 1003, 300)), (QList<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    EXPECT_EQ(clipsOf(chaosLayout(25, 1003, 300)), (QList<int>{0, 2, 5, 7, 10, 12, 15, 17, 20, 22}));
    EXPECT_EQ(clipsOf(chaosLayout(40, 1003, 1)).size(), 5);   // a tiny height still shows one row
}

TEST(GridMetrics, ColumnRule)
{
    const struct {
        double width;
        int columns;
        double cardWidth;
    } rows[] = {{1200, 5, 228.8}, {400, 1, 384}, {1206, 6, 190}, {1205, 5, 229.8}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.width);
        const GridMetrics m = gridMetrics(row.width);
        EXPECT_EQ(m.columns, row.columns);
        EXPECT_NEAR(m.cardWidth, row.cardWidth, 1e-9);
    }
    EXPECT_EQ(gridMetrics(0).columns, 1);
    EXPECT_EQ(gridMetrics(1200).rowHeight, 187);   // ceil(228.8 * 9 / 16 + 58)
}

TEST(Selection, CtrlShiftUpwardRangesAndAMissingAnchor)
{
    const QList<QUuid> ids = {QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid(),
                              QUuid::createUuid()};
    const QUuid A = ids[0], B = ids[1], C = ids[2], D = ids[3], E = ids[4];
    // The window test drives click, Shift and Ctrl; here the rarer combinations.
    SelectionState s = clickSelection({}, B, ids, Qt::NoModifier);
    // Ctrl+Shift acts as Ctrl: it toggles and moves the anchor.
    s = clickSelection(s, E, ids, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({B, E}));
    EXPECT_EQ(s.anchor, E);
    // Shift-click upwards from the anchor.
    s = clickSelection(s, C, ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({C, D, E}));
    // Without an anchor in view Shift acts as a plain click.
    s.anchor = QUuid::createUuid();
    s = clickSelection(s, A, ids, Qt::ShiftModifier);
    EXPECT_EQ(s.selection, QSet<QUuid>({A}));
    EXPECT_EQ(s.anchor, A);
}

TEST(StatusText, DurationsRoundHalfAwayFromZero)
{
    const struct {
        double seconds;
        const char *expected;
    } rows[] = {{59.5, "1:00"}, {0.49, "0:00"}, {3725.4, "62:05"}};
    for (const auto &row : rows)
        EXPECT_EQ(minutesSeconds(row.seconds), QLatin1String(row.expected)) << row.seconds;
    EXPECT_EQ(stats(1'500'000, 61), QStringLiteral("1.5 MB · 1:01"));
    // Sizes are written as the chosen language writes numbers, not as the system does.
    const QLocale system;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(fileSize(1'500'000), QStringLiteral("1.5 MB"));
    Language::apply(QStringLiteral("es"));
    EXPECT_EQ(fileSize(1'500'000), QStringLiteral("1,5 MB"));
    Language::apply(QStringLiteral("en"));
    QLocale::setDefault(system);
}
