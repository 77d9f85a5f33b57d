// The library view: tabs, grouping, totals and flags.

#include "TestEnv.h"
#include "library/Library.h"
#include "text/Language.h"

using namespace vidorra;

namespace {

// A clip of the given short side in `folder` (profile/pile); side 0 makes the basic record.
Planned clip(const QString &name, qint64 side, const QString &folder = "D-Log/F", bool sortable = true)
{
    Planned p = vidorra::testing::planned(name, folder, sortable && side > 0);
    // 8-bit: no colour grading unless a test says so.
    p.info = {.bitDepth = 8, .width = side * 16 / 9, .height = side, .duration = 1.5, .recognized = side > 0};
    p.size = 100;
    p.profile = side > 0 ? folder.section(u'/', 0, 0) : L("Unknown");
    p.resolution = side > 0 ? QStringLiteral("R%1").arg(side) : L("Unknown");
    return p;
}

// Tabs rank by short side (equal sides by name, unknown last); in a tab, piles group by
// profile then folder; totals are the tab's, flags everyone's.
TEST(LibraryView, TabsGroupsTotalsAndFlags)
{
    EXPECT_FALSE(Library({}, QStringLiteral("R2160")).current.has_value());
    Planned twin = clip("twin", 1080, "HLG/A");
    twin.resolution = QStringLiteral("Q1080"); // same short side, another label
    Planned graded = clip("graded", 2160, "D-Log/F", false); // already sorted
    graded.info.bitDepth = 10;
    graded.info.colorCode = 2;
    Planned basic = clip("u", 0, L("Unknown") + "/A");
    basic.info.height = 4320; // a basic record has a picture size, yet ranks last
    // An unknown profile among known ones comes last, though "Vivid" sorts after it.
    const QList<Planned> items{basic, clip("1", 1080, "D-Log 2/B"), graded, twin,
                               clip("3", 1080, "D-Log/B", false), clip("4", 1080, "D-Log/A"), clip("5", 1080, "D-Log/B"),
                               clip("6", 2160, "HLG/A"), clip("7", 1080, L("Unknown") + "/A"), clip("8", 1080, "Vivid/A")};
    const Library lib(items, QStringLiteral("R1080"));
    const auto names = [](const QList<Planned> &list) {
        QStringList out;
        for (const Planned &p : list)
            out << p.url;
        return out.join(u' ');
    };
    QStringList tabs, groups;
    for (const auto &tab : lib.tabs)
        tabs << tab.name + u'=' + QString::number(tab.count);
    for (const auto &g : lib.groups)
        groups << g.profile + u'=' + QString::number(g.sections.size());
    EXPECT_EQ(tabs, (QStringList{"R2160=2", "Q1080=1", "R1080=6", L("Unknown") + "=1"}));
    EXPECT_EQ(groups, (QStringList{"D-Log=2", "D-Log 2=1", "Vivid=1", "Unknown=1"}));
    EXPECT_EQ(names(lib.ordered), "4 3 5 1 8 7");
    EXPECT_EQ(names(lib.sortable), "1 4 5 7 8");
    EXPECT_EQ(names(lib.allSortable), "1 twin 4 5 6 7 8");
    EXPECT_EQ(lib.bytes, 600);
    EXPECT_DOUBLE_EQ(lib.seconds, 9.0);
    EXPECT_TRUE(lib.anyColor && lib.anySortable && lib.anyRecognized && lib.anySorted);
    const Library plain({clip("s", 1080)}, std::nullopt); // to be sorted, and not log footage
    EXPECT_FALSE(plain.anyColor || plain.anySorted);
    EXPECT_FALSE(Library({clip("u", 0)}, std::nullopt).anyRecognized);
    // A tab nobody carries any more falls back to the first.
    EXPECT_EQ(Library(items, QStringLiteral("R720")).current, QStringLiteral("R2160"));
    EXPECT_EQ(names(Library(items, std::nullopt).visible), "graded 6");
}

} // namespace
