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
    EXPECT_FALSE(analyze(path("junk.mp4"), true).sortable);
    EXPECT_EQ(analyze(path("junk.mp4"), true).size, 11);
    EXPECT_EQ(analyze(path("missing.mp4"), true).size, 0);
}

TEST_F(ScanTest, ScanKeepsTheCollectedOrder)
{
    const QString b = clip("card/X/b.mp4"), a = clip("card/Y/a.mov");
    ASSERT_TRUE(writeBytes(path("card/notes.txt"), "n"));
    const ScanResult result = scan({path("card")});
    EXPECT_TRUE(result.isFolder);
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0].url, a);
    EXPECT_EQ(result.items[1].url, b);
}

} // namespace
