// The same .cube file applied to the same 1080p frame by FFmpeg's lut3d filter
// (trilinear) and by our reader and lookup: at most 1 of 255 apart in every channel.
#include "CubeFile.h"
#include "CubeFormat.h"
#include "Lut3dPeer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

constexpr int W = 1920, H = 1080;

// The built-in D-Log grade sampled at `n`, or a rough creative look of random entries
// reaching past 0..1, as the text of a .cube file.
QByteArray table(int n, bool rough)
{
    if (!rough)
        return cubeText(LUTCube(AutoGrade::dLog, n), QStringLiteral("D-Log"));
    QByteArray text = "LUT_3D_SIZE " + QByteArray::number(n) + "\n";
    QRandomGenerator random{quint32(n)};
    for (int i = 0; i < n * n * n * 3; ++i)
        text += QByteArray::number(random.generateDouble() * 1.4 - 0.2, 'f', 6) + (i % 3 == 2 ? "\n" : " ");
    return text;
}

int largestDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x)
            worst = std::max(worst, std::abs(int(a.constScanLine(y)[x]) - int(b.constScanLine(y)[x])));
    return worst;
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
            EXPECT_LE(largestDifference(*ours.cube->apply(frame), expected), 1) << "size " << n << " rough " << rough;
        }
    }
}
