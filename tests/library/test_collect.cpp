// Which files a scan takes, and in which order.

#include "TestEnv.h"
#include "library/NameOrder.h"
#include "library/Paths.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

using CollectTest = FileTest;

QStringList urls(const Collected &c)
{
    QStringList out;
    for (const CollectedFile &f : c.files) {
        EXPECT_TRUE(f.direct);
        out << f.url;
    }
    return out;
}

TEST_F(CollectTest, RootAndFolderFlag)
{
    const Collected none = collect({});
    EXPECT_EQ(none.result.root, QStringLiteral("/"));
    EXPECT_FALSE(none.result.isFolder);
    EXPECT_TRUE(none.files.isEmpty() && none.result.skipped.isEmpty() && none.result.items.isEmpty());

    makeDir(path("X"));
    makeDir(path("Y"));
    const QString clip = file("X/a.mp4");

    const Collected folder = collect({path("X/")});
    EXPECT_TRUE(folder.result.isFolder);
    EXPECT_EQ(folder.result.root, path("X"));

    const Collected one = collect({clip});
    EXPECT_FALSE(one.result.isFolder);
    EXPECT_EQ(one.result.root, path("X"));

    const Collected two = collect({path("X"), path("Y")});
    EXPECT_FALSE(two.result.isFolder);
    EXPECT_EQ(two.result.root, dir.path());
}

TEST_F(CollectTest, OrderByNameStableAndDuplicatesOnce)
{
    const QString b = file("X/b.mp4");
    const QString xa = file("X/a.mp4");
    const QString ya = file("Y/a.mp4");
    const QString upper = file("Y/B.MP4");
    const QString deep = file("Y/1/2/3/c.MOV");
    // Y's a.mp4 listed directly first, then again through "." and ".." and through Y.
    const Collected c = collect({ya, path("Y/../X/./a.mp4"), path("X"), path("Y"), ya});
    EXPECT_EQ(urls(c), (QStringList{upper, ya, xa, b, deep}));
    EXPECT_TRUE(c.result.skipped.isEmpty());

    // Two a.mp4 keep walk order: X is walked before Y.
    EXPECT_EQ(urls(collect({path("X"), path("Y")})), (QStringList{upper, xa, ya, b, deep}));
    EXPECT_EQ(urls(collect({path("Y"), path("X")})), (QStringList{upper, ya, xa, b, deep}));
}

TEST_F(CollectTest, HiddenLinksAndOtherFiles)
{
    const QString clip = file("R/clip.mp4");
    file("R/.hidden.mp4");
    file("R/.cache/inside.mp4");
    file("R/notes.txt");
    makeDir(path("R/folder.mov"));
    const QString nested = file("R/folder.mov/real.mov");
    const QString outside = file("Elsewhere/far.mp4");
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(path("R/link.mp4")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(path("Elsewhere")).constData(), QFile::encodeName(path("R/linked")).constData()), 0);

    const Collected c = collect({path("R")});
    EXPECT_EQ(urls(c), (QStringList{clip, nested}));
    // The folder named like a clip and the link are named in skipped; notes.txt is not.
    EXPECT_EQ(c.result.skipped, (QStringList{"folder.mov", "link.mp4"}));

    const Collected direct = collect({path("R/notes.txt"), path("R/missing.mp4"), path("R/link.mp4"), clip});
    EXPECT_EQ(urls(direct), QStringList{clip});
    EXPECT_EQ(direct.result.skipped, (QStringList{"link.mp4", "missing.mp4", "notes.txt"}));
}

TEST_F(CollectTest, ExtensionsCompareInLowerCase)
{
    const QString upper = file("CLIP.MOV");
    const QString lower = file("clip.mp4");
    file("clip.Mp4x");
    EXPECT_EQ(urls(collect({dir.path()})), (QStringList{upper, lower}));
}

TEST(NameOrder, CodePointsAfterNormalisation)
{
    EXPECT_LT(compareNames("B.MP4", "a.mp4"), 0); // case-sensitive
    EXPECT_EQ(compareNames(QStringLiteral("e\u0301.mp4"), QStringLiteral("\u00e9.mp4")), 0);
    EXPECT_GT(compareNames(QStringLiteral("e\u0301"), QStringLiteral("f")), 0); // as U+00E9, after "f"
    // U+FF21 (fullwidth A) is below U+1F600 as scalars, though its UTF-16 unit is above
    // the surrogates.
    const QString fullwidth = QStringLiteral("\uFF21.mp4");
    const QString emoji = QString::fromUcs4(U"\U0001F600.mp4");
    EXPECT_GT(QString::compare(fullwidth, emoji), 0);
    EXPECT_LT(compareNames(fullwidth, emoji), 0);
    EXPECT_GT(compareNames(emoji, fullwidth), 0);
    EXPECT_LT(compareNames("a", "ab"), 0);
    EXPECT_GT(compareNames("ab", "a"), 0);
}

TEST_F(CollectTest, ScalarOrderDecidesTheCollectedOrder)
{
    const QString fullwidth = file(QStringLiteral("\uFF21.mp4"));
    const QString emoji = file(QString::fromUcs4(U"\U0001F600.mp4"));
    const QString accented = file(QStringLiteral("\u00e9.mp4"));
    EXPECT_EQ(urls(collect({dir.path()})), (QStringList{accented, fullwidth, emoji}));
}

} // namespace
