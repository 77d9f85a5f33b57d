// The window's arithmetic: which clips the intro mosaic shows, selection by click, and
// the status line's durations.

#include "helpers/TestHelpers.h"

#include "kit/ChaosLayout.h"
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

TEST(ChaosLayout, EveryClipHasAPlaceUntilTheyAreSampledEvenly)
{
    // Three rows of five places fit: every clip shows once, in order, the last places empty.
    const QList<ChaosSlot> slots = chaosLayout(13, 1003, 700);
    ASSERT_EQ(slots.size(), 15);
    EXPECT_EQ(clipsOf(slots), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(chaosLayout(0, 800, 600).isEmpty());
    // More clips than places: an even sample. Two rows fit here, ten places.
    EXPECT_EQ(clipsOf(chaosLayout(1000, 1003, 300)), (QList<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    EXPECT_EQ(clipsOf(chaosLayout(25, 1003, 300)), (QList<int>{0, 2, 5, 7, 10, 12, 15, 17, 20, 22}));
    EXPECT_EQ(clipsOf(chaosLayout(40, 1003, 1)).size(), 5);   // a tiny height still shows one row
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
