// vidorra-probe --lut: the program grades a picture as the application does, keeps alpha,
// and refuses a bad table with the application's message.
#include "preview/CubeFile.h"
#include "preview/CubeFormat.h"
#include "preview/LUTEngine.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

struct Outcome {
    int status = -1;
    QString err;
};

Outcome probe(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(VIDORRA_PROBE), arguments);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

QImage noise(QImage::Format format, quint32 seed)
{
    QImage img(97, 41, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, random.generate());
    return img;
}

} // namespace

TEST(ProbeLut, GradesPicturesLikeTheApplicationAndRefusesBadTables)
{
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("warm.cube"));
    {
        QFile f(table);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cubeText(*LUTEngine::dLog2(), QStringLiteral("Warm")));
    }
    const CubePtr cube = readCubeFile(table).cube;
    ASSERT_TRUE(cube);

    // With alpha: every channel graded as the engine does, alpha as it was.
    const QImage rgba = noise(QImage::Format_RGBA8888, 1);
    ASSERT_TRUE(rgba.save(dir.filePath(QStringLiteral("in.png"))));
    Outcome run = probe({QStringLiteral("--lut"), table, dir.filePath(QStringLiteral("in.png")), dir.filePath(QStringLiteral("out.png"))});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QImage out(dir.filePath(QStringLiteral("out.png")));
    ASSERT_TRUE(out.hasAlphaChannel());
    EXPECT_EQ(out.convertToFormat(QImage::Format_RGBA8888), *cube->apply(rgba));

    // A table that cannot be used: the application's message, status 2, nothing written.
    QFile bad(dir.filePath(QStringLiteral("bad.cube")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0 0\n");
    bad.close();
    const QString none = dir.filePath(QStringLiteral("none.png"));
    run = probe({QStringLiteral("--lut"), bad.fileName(), dir.filePath(QStringLiteral("in.png")), none});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("bad.cube, line 4: an entry needs 3 numbers, this one has 4\n"));
    run = probe({QStringLiteral("--lut"), dir.filePath(QStringLiteral("gone.cube")), dir.filePath(QStringLiteral("in.png")), none});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("gone.cube: No such file or directory\n"));
    EXPECT_FALSE(QFile::exists(none));

    // Pictures it cannot take, and a short command line.
    ASSERT_TRUE(noise(QImage::Format_RGBA64, 3).save(dir.filePath(QStringLiteral("deep.png"))));
    run = probe({QStringLiteral("--lut"), table, dir.filePath(QStringLiteral("deep.png")), none});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("deep.png is not an 8-bit RGB or RGBA picture\n"));
    run = probe({QStringLiteral("--lut"), table, dir.filePath(QStringLiteral("missing.png")), none});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("missing.png: "))) << run.err.toStdString();
    EXPECT_EQ(probe({QStringLiteral("--lut"), table}).status, 2);
    EXPECT_FALSE(QFile::exists(none));
}
