// The same .cube file applied to the same 1080p frame by FFmpeg's lut3d filter
// (trilinear) and by our reader and lookup: at most 1 of 255 apart in every channel.
#include "preview/CubeFile.h"
#include "preview/CubeFormat.h"
#include "Lut3dPeer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

constexpr int W = 1920, H = 1080;

// The built-in D-Log grade sampled at `n`, or a rough creative look, as .cube text.
QByteArray table(int n, bool rough)
{
    return rough ? peer::roughTable(n) : cubeText(LUTCube(AutoGrade::dLog, n), QStringLiteral("D-Log"));
}

} // namespace

TEST(Lut3dPeer, SameTableSameFrameWithinOneLevelForSizes17To65)
{
    QTemporaryDir dir;
    const QImage frame = peer::gradingFrame(W, H);
    for (int n : {17, 33, 65}) {
        for (bool rough : {false, true}) {
            const QString path = dir.filePath(QStringLiteral("t%1%2.cube").arg(n).arg(rough));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(table(n, rough));
            f.close();
            const CubeFile ours = readCubeFile(path);
            ASSERT_TRUE(ours.cube) << cubeMessage(*ours.error, path).toStdString();
            peer::Lut3d theirs(path, W, H);
            ASSERT_TRUE(theirs.ok()) << theirs.error().toStdString();
            const QImage expected = theirs.apply(frame);
            ASSERT_FALSE(expected.isNull());
            EXPECT_LE(peer::largestDifference(*ours.cube->apply(frame), expected), 1) << "size " << n << " rough " << rough;
        }
    }
}
