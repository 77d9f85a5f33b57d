// The probe's record: the same reader fallback as a scan, JSON-safe numbers, and which
// files a folder argument yields.
#include "ClipFixture.h"
#include "Printers.h"
#include "ProbeRecord.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace vidorra;
using fixture::ClipSpec;

TEST(MetadataProbe, CameraClipThroughReadClipOthersThroughReadBasic)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DJI_0001.MP4");
    ClipSpec camera;
    camera.camera->captureFPS = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(fixture::writeClip(path, camera));
    const QJsonObject o = probeClip(path);
    EXPECT_EQ(o.value("source").toString(), "readClip");
    EXPECT_EQ(o.value("model").toString(), "OsmoPocket3");
    EXPECT_EQ(o.value("captureFPS").toDouble(), 0.0) << "NaN is not JSON";
    EXPECT_EQ(o.value("folderName").toString(), "D-Log/4K 30p");
    EXPECT_FALSE(QJsonDocument::fromJson(QJsonDocument(o).toJson(QJsonDocument::Compact)).isNull());

    ClipSpec other, stopped, none;
    other.camera->model = "Mavic";
    other.camera->proto = "dvtm_other.proto";
    stopped.camera->playbackFPS = 0;
    none.camera.reset();
    for (const ClipSpec &spec : {other, stopped, none}) {
        ASSERT_TRUE(fixture::writeClip(path, spec));
        const QJsonObject basic = probeClip(path);
        EXPECT_EQ(basic.value("source").toString(), "readBasic");
        EXPECT_EQ(basic.value("folderName").toString(), "Unknown");
        EXPECT_EQ(basic.value("playbackFPS").toDouble(), 30.0);
    }
}

TEST(MetadataProbe, FolderArgumentsAreSearchedSorted)
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
    const QStringList targets = probeTargets({dir.path(), root.filePath("notes.txt"), root.filePath("gone")}, missing);
    EXPECT_EQ(targets, (QStringList{root.filePath("a.mp4"), root.filePath("b/a.MOV"),
                                    root.filePath("b/deeper/z.mp4"), root.filePath("notes.txt")}));
    EXPECT_EQ(missing, QStringList{root.filePath("gone")});
    // An empty file is still reported, as a basic record of zeros.
    EXPECT_EQ(probeClip(root.filePath("a.mp4")).value("resolutionLabel").toString(), "0p");
}
