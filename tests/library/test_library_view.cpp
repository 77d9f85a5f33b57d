// The library view: tabs, grouping, totals and flags.

#include "TestEnv.h"
#include "library/Library.h"
#include "text/Language.h"

using namespace vidorra;

namespace {

// A clip of the given short side in `folder` (profile/pile); side 0 makes the basic record.
Planned clip(const QString &name, qint64 side, const QString &folder = "D-Log/F", bool sortable = true)
{
    Planned p;
    p.url = "/card/" + name;
    p.info.width = side * 16 / 9;
    p.info.height = side;
    p.info.recognized = side > 0;
    p.info.duration = 1.5;
    p.info.bitDepth = 8; // no colour grading unless a test says so
    p.size = 100;
    p.folder = folder;
    p.profile = side > 0 ? folder.section(u'/', 0, 0) : L("Unknown");
    p.sortable = sortable && side > 0;
    p.resolution = side > 0 ? QStringLiteral("R%1").arg(side) : L("Unknown");
    return p;
}

QStringList names(const QList<Planned> &items)
{
    QStringList out;
    for (const Planned &p : items)
        out << p.url.mid(6);
    return out;
}

TEST(LibraryView, TabsRankByShortSideUnknownLastEqualRanksByName)
{
    EXPECT_FALSE(Library({}, QStringLiteral("R2160")).current.has_value());
    Planned twin = clip("twin.mp4", 1080);
    twin.resolution = QStringLiteral("Q1080"); // same short side, another label
    const QList<Planned> items{clip("u.mp4", 0), clip("hd.mp4", 1080), clip("uhd.mp4", 2160), clip("hd2.mp4", 1080), twin};
    const Library lib(items, std::nullopt);
    QStringList tabs;
    for (const auto &tab : lib.tabs)
        tabs << tab.name + u'=' + QString::number(tab.count);
    EXPECT_EQ(tabs, (QStringList{"R2160=1", "Q1080=1", "R1080=2", L("Unknown") + "=1"}));
    EXPECT_EQ(lib.current, QStringLiteral("R2160"));
    EXPECT_EQ(names(Library(items, QStringLiteral("R1080")).visible), (QStringList{"hd.mp4", "hd2.mp4"}));
    // A tab nobody carries any more falls back to the first.
    EXPECT_EQ(Library(items, QStringLiteral("R720")).current, QStringLiteral("R2160"));
}

TEST(LibraryView, GroupsByProfileThenFolderUnknownLast)
{
    const Library lib({clip("1.mp4", 1080, "D-Log 2/B"), clip("2.mp4", 1080, L("Unknown") + "/A"), clip("3.mp4", 1080, "D-Log/B"),
                       clip("4.mp4", 1080, "D-Log/A"), clip("5.mp4", 1080, "D-Log/B"), clip("6.mp4", 1080, "HLG/A")},
                      std::nullopt);
    QStringList groups;
    for (const auto &g : lib.groups)
        groups << g.profile + u'=' + QString::number(g.sections.size());
    EXPECT_EQ(groups, (QStringList{"D-Log=2", "D-Log 2=1", "HLG=1", L("Unknown") + "=1"}));
    EXPECT_EQ(names(lib.ordered), (QStringList{"4.mp4", "3.mp4", "5.mp4", "1.mp4", "6.mp4", "2.mp4"}));
}

TEST(LibraryView, TotalsForTheTabFlagsForAll)
{
    Planned graded = clip("graded.mp4", 2160, "D-Log/F", false); // already sorted
    graded.info.bitDepth = 10;
    graded.info.colorCode = 2;
    const Library lib({clip("a.mp4", 1080), clip("b.mp4", 1080, "D-Log/F", false), graded, clip("c.mp4", 2160)},
                      QStringLiteral("R1080"));
    EXPECT_EQ(names(lib.sortable), QStringList{"a.mp4"});
    EXPECT_EQ(names(lib.allSortable), (QStringList{"a.mp4", "c.mp4"}));
    EXPECT_EQ(lib.bytes, 200);
    EXPECT_DOUBLE_EQ(lib.seconds, 3.0);
    EXPECT_TRUE(lib.anyColor && lib.anySortable && lib.anyRecognized && lib.anySorted);
    const Library plain({clip("u.mp4", 0)}, std::nullopt);
    EXPECT_FALSE(plain.anyColor || plain.anySortable || plain.anyRecognized || plain.anySorted);
}

} // namespace
