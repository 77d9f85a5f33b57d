// Reading clips into planned records: sortable rules and the fallbacks.

#include "ClipFixture.h"
#include "TestEnv.h"
#include "library/Paths.h"
#include "metadata/BoxReader.h"
#include "metadata/Labels.h"
#include "text/Language.h"

#include <QFileInfo>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class ScanTest : public FileTest {
protected:
    QString clip(const QString &relative, const fixture::ClipSpec &spec = {})
    {
        const QString p = path(relative);
        makeDir(parentPath(p));
        EXPECT_TRUE(fixture::writeClip(p, spec));
        return p;
    }
};

TEST_F(ScanTest, PocketClipGetsItsFolderLabelsAndSize)
{
    const QString p = clip("card/DJI_0001.MP4");
    const Planned item = analyze(p, true);
    EXPECT_FALSE(item.id.isNull());
    EXPECT_NE(item.id, analyze(p, true).id);
    EXPECT_EQ(item.url, p);
    EXPECT_TRUE(item.sortable);
    EXPECT_TRUE(item.info.recognized);
    EXPECT_EQ(item.profile, QStringLiteral("D-Log"));
    EXPECT_EQ(item.folder, folderName(item.info));
    EXPECT_EQ(item.folder, QStringLiteral("D-Log/4K 30p"));
    EXPECT_EQ(item.label, describe(item.info));
    EXPECT_EQ(item.resolution, resolutionLabel(item.info));
    EXPECT_EQ(item.speed, speedKey(item.info));
    EXPECT_EQ(item.size, QFileInfo(p).size());
    EXPECT_FALSE(analyze(p, false).sortable);
}

TEST_F(ScanTest, AlreadySortedClipsAreNotSortable)
{
    EXPECT_FALSE(analyze(clip("R/D-Log/4K 30p/a.mp4"), true).sortable);
    EXPECT_FALSE(analyze(clip("R/D-Log - old/b.mp4"), true).sortable);
    EXPECT_TRUE(analyze(clip("R/D-Log/c.mp4"), true).sortable);
    EXPECT_TRUE(analyze(clip("R/D-Log 2/4K 30p/d.mp4"), true).sortable);
}

TEST_F(ScanTest, UnusableMetadataFallsBackToTheBasicRecord)
{
    fixture::ClipSpec still;
    still.camera->playbackFPS = 0;
    const Planned zero = analyze(clip("zero.mp4", still), true);
    EXPECT_FALSE(zero.sortable);
    EXPECT_EQ(zero.info, readBasic(path("zero.mp4")));

    fixture::ClipSpec other;
    other.camera->model = QStringLiteral("SomeOtherCamera");
    other.camera->proto = QStringLiteral("other.proto");
    const Planned foreign = analyze(clip("other.mp4", other), true);
    EXPECT_FALSE(foreign.sortable);
    EXPECT_EQ(foreign.info, readBasic(path("other.mp4")));

    fixture::ClipSpec bare;
    bare.camera.reset();
    bare.keys.clear();
    const Planned plain = analyze(clip("plain.mp4", bare), true);
    EXPECT_FALSE(plain.sortable);
    EXPECT_EQ(plain.resolution, plain.info.recognized ? resolutionLabel(plain.info) : L("Unknown"));

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
    EXPECT_EQ(result.root, path("card"));
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0].url, a);
    EXPECT_EQ(result.items[1].url, b);
    EXPECT_TRUE(result.skipped.isEmpty());
}

} // namespace
