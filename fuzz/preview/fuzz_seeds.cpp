// Writes the seed corpus of the .cube fuzz target:
//   fuzz_seeds_preview ROOT  ->  ROOT/fuzz_cube
// Small tables in each form the reader takes: 3D with and without a title and ranges, 1D,
// a shaper before a lattice, other tools' keywords, CRLF and lone CR endings, comments.
#include "preview/CubeFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace vidorra;

namespace {

bool put(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray lattice(int n)
{
    QByteArray text;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                text += QByteArray::number(r / double(n - 1)) + ' ' + QByteArray::number(g / double(n - 1)) + ' '
                    + QByteArray::number(b / double(n - 1)) + '\n';
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds_preview ROOT\n");
        return 2;
    }
    QDir root(QString::fromLocal8Bit(argv[1]));
    if (!root.mkpath(QStringLiteral("fuzz_cube")))
        return 1;
    const QDir dir(root.filePath(QStringLiteral("fuzz_cube")));
    QByteArray crlf = "TITLE \"crlf\"\nLUT_3D_SIZE 2\n" + lattice(2);
    crlf.replace("\n", "\r\n");
    QByteArray cr = "LUT_3D_SIZE 2\n" + lattice(2);
    cr.replace("\n", "\r");
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("plain2"), "LUT_3D_SIZE 2\n" + lattice(2)},
        {QStringLiteral("exported3"), cubeText(LUTCube(AutoGrade::dLog, 3), QStringLiteral("D-Log"))},
        {QStringLiteral("domain"), "# look\nTITLE \"Warm # 1\"\nDOMAIN_MIN 0 0.1 -0.5\nDOMAIN_MAX 1 0.9 1.5\nLUT_3D_SIZE 3\n"
                                       + lattice(3) + "# end\n"},
        {QStringLiteral("resolve"), "LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0.0 1.0\nLUT_IN_VIDEO_RANGE\n" + lattice(2)},
        {QStringLiteral("curve"), "LUT_1D_SIZE 4\nDOMAIN_MAX 2 2 2\n0 0 0\n0.3 0.2 0.1\n0.6 0.7 0.8\n1 1 1\n"},
        {QStringLiteral("shaper"), "LUT_1D_SIZE 3\nLUT_1D_INPUT_RANGE 0 1\nLUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 0.5\n"
                                       "0 0 0\n0.25 0.25 0.25\n1 1 1\n" + lattice(2)},
        {QStringLiteral("numbers"), "LUT_3D_SIZE 2\n+0 -0 .5\n1e0 1E-1 5.\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1.5 -0.25 1\n"},
        {QStringLiteral("crlf"), crlf},
        {QStringLiteral("cr"), cr},
    };
    for (const auto &[name, bytes] : seeds)
        if (!put(dir, name, bytes))
            return 1;
    return 0;
}
