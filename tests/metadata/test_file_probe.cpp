// The probe's record: the same reader fallback as a scan, JSON-safe numbers, and which
// files a folder argument yields.
#include "ClipFixture.h"
#include "Printers.h"
#include "ProbeRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace vidorra;
using fixture::ClipSpec;

TEST(MetadataProbe, FallsBackToTheBasicRecordLikeAScan)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DJI_0001.MP4");
    ClipSpec camera, other, stopped, none;
    camera.camera->captureFPS = std::numeric_limits<double>::quiet_NaN();
    other.camera->model = "Mavic";
    other.camera->proto = "dvtm_other.proto";
    stopped.camera->playbackFPS = 0;
    none.camera.reset();
    for (const ClipSpec *spec : {&camera, &other, &stopped, &none}) {
        ASSERT_TRUE(fixture::writeClip(path, *spec));
        const QJsonObject o = probeClip(path);
        const bool full = spec == &camera;
        EXPECT_EQ(o.value("source").toString(), full ? "readClip" : "readBasic");
        EXPECT_EQ(o.value("folderName").toString(), full ? "D-Log/4K 30p" : "Unknown");
        EXPECT_EQ(o.value("captureFPS").toDouble(), full ? 0.0 : 30.0) << "NaN is not JSON";
    }
}

TEST(MetadataProbe, FolderArgumentsAreSearchedSortedSkippingHiddenEntriesAndLinks)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath("b/deeper") && root.mkpath(".hidden"));
    for (const char *name : {"b/deeper/z.mp4", "b/a.MOV", "a.mp4", "notes.txt", "a.LRF", ".hidden/x.mp4", ".dot.mp4"}) {
        QFile f(root.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::link(root.filePath("a.mp4"), root.filePath("link.mp4"));
    QStringList missing;
    EXPECT_EQ(probeTargets({dir.path(), root.filePath("notes.txt"), root.filePath("gone")}, missing),
              (QStringList{root.filePath("a.mp4"), root.filePath("b/a.MOV"), root.filePath("b/deeper/z.mp4"),
                           root.filePath("notes.txt")}));
    EXPECT_EQ(missing, QStringList{root.filePath("gone")});
}
