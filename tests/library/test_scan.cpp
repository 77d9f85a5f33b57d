// Reading clips into planned records: sortable rules and the fallbacks.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/Paths.h"
#include "metadata/BoxReader.h"

#include <QFileInfo>

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
};

TEST_F(ScanTest, PocketClipGetsItsFolderAndSize)
{
    const QString p = clip("card/DJI_0001.MP4");
    const Planned item = analyze(p, true);
    EXPECT_FALSE(item.id.isNull());
    EXPECT_NE(item.id, analyze(p, true).id);
    EXPECT_TRUE(item.sortable && item.info.recognized);
    EXPECT_EQ(item.folder, QStringLiteral("D-Log/4K 30p"));
    EXPECT_EQ(item.size, QFileInfo(p).size());
    EXPECT_FALSE(analyze(p, false).sortable);
}

TEST_F(ScanTest, AlreadySortedClipsAreNotSortable)
{
    const struct { const char *path; bool sortable; } rows[] = {
        {"R/D-Log/4K 30p/a.mp4", false}, {"R/D-Log - old/b.mp4", false},
        {"R/D-Log/c.mp4", true}, {"R/D-Log 2/4K 30p/d.mp4", true}};
    for (const auto &row : rows)
        EXPECT_EQ(analyze(clip(row.path), true).sortable, row.sortable) << row.path;
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
    }
    ASSERT_TRUE(writeBytes(path("junk.mp4"), "not a movie"));
    const Planned junk = analyze(path("junk.mp4"), true);
    EXPECT_FALSE(junk.sortable);
    EXPECT_EQ(junk.size, 11);
    EXPECT_EQ(analyze(path("missing.mp4"), true).size, 0);
}

TEST_F(ScanTest, ScanKeepsTheCollectedOrder)
{
    const QString b = clip("card/X/b.mp4");
    const QString a = clip("card/Y/a.mov");
    ASSERT_TRUE(writeBytes(path("card/notes.txt"), "n"));
    const ScanResult result = scan({path("card")});
    EXPECT_TRUE(result.isFolder);
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0].url, a);
    EXPECT_EQ(result.items[1].url, b);
}

} // namespace
