// Which files a scan takes, and in which order.

#include "TestEnv.h"
#include "library/NameOrder.h"

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
    const QString clip = file("X/a.mp4");
    makeDir(path("Y"));
    const struct { QStringList sources; QString root; bool isFolder; } rows[] = {
        {{}, "/", false},
        {{path("X/")}, path("X"), true},
        {{clip}, path("X"), false},
        {{path("X"), path("Y")}, dir.path(), false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.sources.join(u' ').toStdString());
        const Collected c = collect(row.sources);
        EXPECT_EQ(c.result.root, row.root);
        EXPECT_EQ(c.result.isFolder, row.isFolder);
    }
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
    // Two a.mp4 keep walk order.
    EXPECT_EQ(urls(collect({path("Y"), path("X")})), (QStringList{upper, ya, xa, b, deep}));
}

TEST_F(CollectTest, HiddenLinksAndOtherFiles)
{
    const QString clip = file("R/clip.mp4");
    file("R/.hidden.mp4");
    file("R/.cache/inside.mp4");
    file("R/notes.txt");
    file("R/clip.Mp4x");
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

// Code points after normalisation, compared as scalars: U+FF21 (fullwidth A) sorts
// below U+1F600 though its UTF-16 unit is above the surrogates.
TEST_F(CollectTest, NamesCompareAsNormalisedScalars)
{
    const QString fullwidth = QStringLiteral("\uFF21.mp4"), emoji = QString::fromUcs4(U"\U0001F600.mp4");
    const struct { QString a, b; int sign; } rows[] = {
        {"B.MP4", "a.mp4", -1}, {"a", "ab", -1}, {QStringLiteral("e\u0301.mp4"), QStringLiteral("\u00e9.mp4"), 0},
        {QStringLiteral("e\u0301"), "f", 1}, {fullwidth, emoji, -1}, {emoji, fullwidth, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE((row.a + u' ' + row.b).toStdString());
        const int c = compareNames(row.a, row.b);
        EXPECT_EQ((c > 0) - (c < 0), row.sign);
    }
    const QStringList expected{file(QStringLiteral("\u00e9.mp4")), file(fullwidth), file(emoji)};
    EXPECT_EQ(urls(collect({dir.path()})), expected);
}

} // namespace
