// Reading a card: which files a scan takes and in which order, and the records it makes.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/NameOrder.h"
#include "library/Paths.h"
#include "metadata/BoxReader.h"

#include <QFileInfo>

#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class ScanTest : public FileTest {
protected:
    QString clip(const QString &relative, const fixture::ClipSpec &spec = {})
    {
        makeDir(parentPath(path(relative)));
        EXPECT_TRUE(fixture::writeClip(path(relative), spec));
        return path(relative);
    }
    // The collected files (all must be direct), checking the skipped names on the way.
    QStringList urls(const QStringList &sources, const QStringList &skipped = {})
    {
        const Collected c = collect(sources);
        EXPECT_EQ(c.result.skipped, skipped);
        QStringList out;
        for (const CollectedFile &f : c.files)
            out << (f.direct ? f.url : QStringLiteral("not direct"));
        return out;
    }
};

TEST_F(ScanTest, OrderByNameStableAndDuplicatesOnce)
{
    const QString b = file("X/b.mp4"), xa = file("X/a.mp4"), ya = file("Y/a.mp4");
    const QString upper = file("Y/B.MP4"), deep = file("Y/1/2/3/c.MOV");
    // Y's a.mp4 listed directly first, then again through "." and ".." and through Y.
    EXPECT_EQ(urls({ya, path("Y/../X/./a.mp4"), path("X"), path("Y"), ya}), (QStringList{upper, ya, xa, b, deep}));
    // Two a.mp4 keep walk order; so do many, as on a card whose clip counter restarted.
    EXPECT_EQ(urls({path("Y"), path("X")}), (QStringList{upper, ya, xa, b, deep}));
    QStringList same;
    for (int n = 10; n < 50; ++n)
        same << file(QStringLiteral("Card/%1MEDIA/DJI_0001.MP4").arg(n));
    EXPECT_EQ(urls({path("Card")}), same);
}

TEST_F(ScanTest, HiddenLinksAndOtherFiles)
{
    const QString clip = file("R/clip.mp4"), nested = file("R/folder.mov/real.mov"), outside = file("Elsewhere/far.mp4");
    files({"R/.hidden.mp4", "R/.cache/inside.mp4", "R/notes.txt", "R/clip.Mp4x"});
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(path("R/link.mp4")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(path("Elsewhere")).constData(), QFile::encodeName(path("R/linked")).constData()), 0);
    // The folder named like a clip and the link are named in skipped; notes.txt is not.
    EXPECT_EQ(urls({path("R")}, {"folder.mov", "link.mp4"}), (QStringList{clip, nested}));
    EXPECT_EQ(urls({path("R/notes.txt"), path("R/missing.mp4"), path("R/link.mp4"), clip},
                   {"link.mp4", "missing.mp4", "notes.txt"}),
              QStringList{clip});
}

// Code points after normalisation, compared as scalars: U+FF21 (fullwidth A) sorts
// below U+1F600 though its UTF-16 unit is above the surrogates.
TEST_F(ScanTest, NamesCompareAsNormalisedScalars)
{
    const QString fullwidth = QStringLiteral("\uFF21.mp4"), emoji = QString::fromUcs4(U"\U0001F600.mp4");
    const struct { QString a, b; int sign; } rows[] = {
        {"B.MP4", "a.mp4", -1}, {"a", "ab", -1}, {QStringLiteral("e\u0301.mp4"), QStringLiteral("\u00e9.mp4"), 0},
        {QStringLiteral("e\u0301"), "f", 1}, {fullwidth, emoji, -1}, {emoji, fullwidth, 1},
    };
    for (const auto &row : rows) {
        const int c = compareNames(row.a, row.b);
        EXPECT_EQ((c > 0) - (c < 0), row.sign) << (row.a + u' ' + row.b).toStdString();
    }
    const QStringList expected{file(QStringLiteral("\u00e9.mp4")), file(fullwidth), file(emoji)};
    EXPECT_EQ(urls({dir.path()}), expected);
}



// A clip already inside a folder named for its profile and pile is not sorted again.
TEST_F(ScanTest, PocketClipGetsItsFolderUnlessAlreadyThere)
{
    const Planned item = analyze(clip("card/DJI_0001.MP4"), true);
    EXPECT_TRUE(item.sortable && item.info.recognized);
    EXPECT_EQ(item.folder, QStringLiteral("D-Log/4K 30p"));
    EXPECT_EQ(item.size, QFileInfo(item.url).size());
    EXPECT_NE(item.id, analyze(item.url, true).id);
    EXPECT_FALSE(analyze(item.url, false).sortable);
    const struct { const char *path; bool sortable; } rows[] = {
        {"R/D-Log/4K 30p/a.mp4", false}, {"R/D-Log - old/b.mp4", false},
        {"R/D-Log/c.mp4", true}, {"R/D-Log 2/4K 30p/d.mp4", true}};
    for (const auto &row : rows)
        EXPECT_EQ(analyze(clip(row.path), true).sortable, row.sortable) << row.path;

    // A profile whose folder name differs from it (a leading dot would hide the folder):
    // where organizing put the clip counts as sorted, so sorting again never nests deeper.
    fixture::ClipSpec dotted;
    dotted.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), QStringLiteral(".log")}};
    const Planned loose = analyze(clip("S/e.mp4", dotted), true);
    ASSERT_EQ(loose.folder, QStringLiteral("_.log/4K 30p"));
    ASSERT_EQ(organize(ScanResult{path("S"), true, {loose}, {}}).moves.size(), 1);
    EXPECT_FALSE(analyze(path("S/_.log/4K 30p/e.mp4"), true).sortable);
    // A folder name written in decomposed form (as another system may copy it) still matches.
    fixture::ClipSpec cafe;
    cafe.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), QStringLiteral("Caf\u00e9")}};
    EXPECT_FALSE(analyze(clip(QStringLiteral("R/Cafe\u0301 - old/e.mp4"), cafe), true).sortable);
}

// The path helpers every file operation builds on, at the root, with a trailing slash,
// several dots, a dot file and ".." parts.
TEST(LibraryPaths, PartsOfAPath)
{
    const struct { const char *path, *name, *parent, *stem, *ext, *companion; } rows[] = {
        {"/clip.mp4", "clip.mp4", "/", "clip", "mp4", "/clip.LRF"},
        {"/card/a.b.MOV/", "a.b.MOV", "/card", "a.b", "MOV", "/card/a.b.LRF"},
        {"/card/.hidden", ".hidden", "/card", ".hidden", "", "/card/.hidden.LRF"},
        {"/card/x/../plain", "plain", "/card", "plain", "", "/card/plain.LRF"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(fileName(r.path), r.name) << r.path;
        EXPECT_EQ(parentPath(r.path), r.parent) << r.path;
        EXPECT_EQ(stemOf(r.path), r.stem) << r.path;
        EXPECT_EQ(extensionOf(r.path), r.ext) << r.path;
        EXPECT_EQ(withExtension(r.path, "LRF"), r.companion) << r.path;
    }
}

TEST_F(ScanTest, UnusableMetadataFallsBackToTheBasicRecord)
{
    fixture::ClipSpec still, foreign, bare;
    still.camera->playbackFPS = 0;
    foreign.camera->model = QStringLiteral("SomeOtherCamera");
    foreign.camera->proto = QStringLiteral("other.proto");
    bare.camera.reset();
    bare.keys.clear();
    const std::pair<const char *, fixture::ClipSpec> rows[] = {{"still.mp4", still}, {"other.mp4", foreign}, {"bare.mp4", bare}};
    for (const auto &[name, spec] : rows) {
        const Planned item = analyze(clip(name, spec), true);
        EXPECT_FALSE(item.sortable) << name;
        EXPECT_EQ(item.info, readBasic(path(name))) << name;
        EXPECT_EQ(item.resolution, "Unknown") << name;
    }
    ASSERT_TRUE(writeBytes(path("junk.mp4"), "not a movie"));
    EXPECT_FALSE(analyze(path("junk.mp4"), true).sortable);
    EXPECT_EQ(analyze(path("junk.mp4"), true).size, 11);
    EXPECT_EQ(analyze(path("missing.mp4"), true).size, 0);
}

} // namespace
