// Colour tables from .cube files: the built-in tables written out and read back, what the
// format allows, input ranges and 1D curves, lattices of every size through the integer
// lookup, each malformed case with its line, and reading files off the disk.
#include "preview/CubeFile.h"
#include "preview/CubeFormat.h"
#include "preview/LUTEngine.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;
using K = CubeError::Kind;

namespace {

CubeTable parsed(const std::string &text)
{
    CubeParse p = parseCube(text);
    if (const CubeError *e = std::get_if<CubeError>(&p)) {
        ADD_FAILURE() << "refused at line " << e->line << ": " << cubeMessage(*e, "t.cube").toStdString();
        return {};
    }
    return std::get<CubeTable>(p);
}

CubeError refusal(const std::string &text)
{
    CubeParse p = parseCube(text);
    if (const CubeError *e = std::get_if<CubeError>(&p))
        return *e;
    ADD_FAILURE() << "accepted: " << text.substr(0, 80);
    return {};
}

// Every 8-bit grey level once per row, then random colours: every input of each channel.
QImage probeImage(quint32 seed)
{
    QImage img(256, 48, QImage::Format_RGBA8888);
    QRandomGenerator random(seed);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < 256; ++x)
            img.setPixel(x, y, y == 0 ? qRgba(x, x, x, 255) : random.generate());
    return img;
}

// The lattice entries (red fastest) of a size-2 identity: output equals position.
std::string identity2()
{
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += std::to_string(i & 1) + ' ' + std::to_string((i >> 1) & 1) + ' ' + std::to_string((i >> 2) & 1) + '\n';
    return s;
}

// Grades `img` with `cube` on both kernels, checks they agree, and returns the result.
QImage gradedBothWays(const LUTCube &cube, const QImage &img)
{
    setVectorLookup(false);
    const QImage portable = *cube.apply(img);
    setVectorLookup(true);
    const QImage vector = *cube.apply(img);
    EXPECT_EQ(portable, vector);
    return vector;
}

// Checks every pixel's channels against `want` (0..1 each) to within one level.
void expectPixels(const QImage &in, const QImage &out, const std::function<std::array<double, 3>(const uchar *)> &want)
{
    int misses = 0;
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            const uchar *i = in.constScanLine(y) + 4 * x;
            const uchar *o = out.constScanLine(y) + 4 * x;
            const auto w = want(i);
            for (size_t c = 0; c < 3; ++c)
                if (std::abs(o[c] - std::clamp(w[c], 0.0, 1.0) * 255.0) > 1.0 && misses++ < 5)
                    ADD_FAILURE() << "pixel " << x << ',' << y << " channel " << c << ": " << int(o[c])
                                  << " for " << w[c] * 255.0;
            EXPECT_EQ(o[3], i[3]);
        }
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

} // namespace

TEST(CubeFormat, BuiltInTablesSurviveTheRoundTripBitForBit)
{
    const QImage img = probeImage(1);
    for (LUTEngine::Grade g : LUTEngine::grades) {
        const CubePtr builtIn = LUTEngine::builtIn(g);
        const QByteArray text = cubeText(*builtIn, QStringLiteral("Vidorra \"D-Log\""));
        EXPECT_TRUE(text.startsWith("TITLE \"Vidorra 'D-Log'\"\nLUT_3D_SIZE 33\n")) << text.left(60).toStdString();
        const CubeTable table = parsed(text.toStdString());
        EXPECT_EQ(table.title, QStringLiteral("Vidorra 'D-Log'"));
        const CubePtr back = makeCube(table);
        ASSERT_EQ(back->size(), 33);
        EXPECT_EQ(back->data(), builtIn->data());   // every float, every bit
        EXPECT_NE(back->id(), builtIn->id());
        EXPECT_EQ(*back->apply(img), *builtIn->apply(img));
    }
}

TEST(CubeFormat, ReadsCommentsTitlesLineEndingsNumberFormsAndOtherToolsKeywords)
{
    const std::string text = "\xEF\xBB\xBF# made by hand\r\n"
                             "\r\n"
                             "TITLE \"Warm # look\"   # the title keeps its hash\r\n"
                             "lut_3d_size 2\r\n"
                             "LUT_IN_VIDEO_RANGE\r\n"          // another tool's keyword: ignored
                             "\t0 0 0   # black\r\n"
                             "+1 0 0\r\n"
                             "0 1e0 0\r"                       // a lone carriage return ends a line too
                             "1 1 .0\n"
                             "0 0 1.\n"
                             "\n"
                             "1 0 1\n"
                             "0 1 1\n"
                             "0.25 -0.5 1.5\n"
                             "# trailing comment";
    const CubeTable t = parsed(text);
    EXPECT_EQ(t.title, QStringLiteral("Warm # look"));
    EXPECT_EQ(t.size, 2);
    EXPECT_EQ(t.curveSize, 0);
    EXPECT_EQ(t.lattice, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1,
                                             0.25f, -0.5f, 1.5f}));
    EXPECT_EQ(parsed("TITLE Plain words # no quotes\nLUT_3D_SIZE 2\n" + identity2()).title, QStringLiteral("Plain words"));
    // A long title is shortened to 200 characters, never ending in blanks.
    EXPECT_EQ(parsed("TITLE \"" + std::string(198, 'a') + "   and more\"\nLUT_3D_SIZE 2\n" + identity2()).title,
              QString(198, u'a'));
    // Both spellings of one input range, as some tools write them.
    EXPECT_EQ(parsed("LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0.0 1.0\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n" + identity2()).max,
              (RGB{1, 1, 1}));
}

TEST(CubeFormat, InputsOutsideTheDomainClampToIt)
{
    const QImage img = probeImage(2);
    const RGB lo{0.2f, 0.1f, 0.0f}, hi{0.6f, 0.9f, 0.5f};
    const CubeTable perChannel = parsed("DOMAIN_MIN 0.2 0.1 0\nDOMAIN_MAX 0.6 0.9 0.5\nLUT_3D_SIZE 2\n" + identity2());
    expectPixels(img, gradedBothWays(*makeCube(perChannel), img), [&](const uchar *p) {
        std::array<double, 3> out;
        for (size_t c = 0; c < 3; ++c)
            out[c] = clamp01((p[c] / 255.0 - lo[c]) / (double(hi[c]) - lo[c]));
        return out;
    });
}

TEST(CubeFormat, OneDimensionalCurvesApplyPerChannelAndShapeBeforeTheLattice)
{
    const QImage img = probeImage(3);
    // Red rises steeply then flattens, green is inverted, blue passes a wider domain.
    const CubeTable curve = parsed("LUT_1D_SIZE 3\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 2\n0 1 0\n0.8 0.5 0.5\n1 0 1\n");
    auto piecewise = [](double x, double a, double b, double c) {
        x = clamp01(x) * 2;
        return x <= 1 ? a + (b - a) * x : b + (c - b) * (x - 1);
    };
    expectPixels(img, gradedBothWays(*makeCube(curve), img), [&](const uchar *p) {
        return std::array<double, 3>{piecewise(p[0] / 255.0, 0, 0.8, 1), piecewise(p[1] / 255.0, 1, 0.5, 0),
                                     piecewise(p[2] / 510.0, 0, 0.5, 1)};
    });

    // A square-law shaper, then a lattice over 0..0.5: the order shows in the result.
    std::string shaper = "LUT_1D_SIZE 257\nLUT_1D_INPUT_RANGE 0 1\nLUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 0.5\n";
    for (int i = 0; i <= 256; ++i) {
        const std::string v = std::to_string((i / 256.0) * (i / 256.0));
        shaper += v + ' ' + v + ' ' + v + '\n';
    }
    shaper += identity2();
    expectPixels(img, gradedBothWays(*makeCube(parsed(shaper)), img), [](const uchar *p) {
        std::array<double, 3> out;
        for (size_t c = 0; c < 3; ++c)
            out[c] = clamp01((p[c] / 255.0) * (p[c] / 255.0) / 0.5);
        return out;
    });
}

TEST(CubeFormat, EverySizeInterpolatesTrilinearlyIncludingEntriesOutsideZeroToOne)
{
    const QImage img = probeImage(4);
    for (int n : {2, 3, 17, 65, 129}) {
        QRandomGenerator random{quint32(n)};
        // Smooth with a ripple, reaching below 0 and above 1 as creative looks do.
        std::vector<float> lattice;
        for (int b = 0; b < n; ++b)
            for (int g = 0; g < n; ++g)
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < 3; ++c)
                        lattice.push_back(float((c == 0 ? r : c == 1 ? g : b) / double(n - 1) * 1.4 - 0.2
                                                + 0.15 * (random.generateDouble() - 0.5)));
        CubePtr cube;
        if (n <= 65) {
            // Through the text; the largest size is read in the benchmark, not here.
            std::string text = "LUT_3D_SIZE " + std::to_string(n) + '\n';
            for (size_t i = 0; i < lattice.size(); ++i) {
                char written[32];
                char *end = std::to_chars(written, written + 31, lattice[i]).ptr;
                *end++ = i % 3 < 2 ? ' ' : '\n';
                text.append(written, end);
            }
            const CubeTable table = parsed(text);
            ASSERT_EQ(table.lattice, lattice);
            cube = makeCube(table);
        } else {
            cube = std::make_shared<const LUTCube>(n, lattice, LUTCube::plainPositions(n));
        }
        ASSERT_EQ(cube->size(), n);
        expectPixels(img, gradedBothWays(*cube, img), [&](const uchar *p) {
            std::array<double, 3> out{0, 0, 0};
            for (int corner = 0; corner < 8; ++corner) {
                double w = 1;
                size_t at = 0, stride = 1;
                for (int k = 0; k < 3; ++k, stride *= size_t(n)) {
                    const double pos = p[k] * double(n - 1) / 255.0;
                    const int cell = std::min(int(pos), n - 2), d = (corner >> k) & 1;
                    w *= d ? pos - cell : 1 - (pos - cell);
                    at += size_t(cell + d) * stride;
                }
                for (size_t c = 0; c < 3; ++c)
                    out[c] += w * lattice[3 * at + c];
            }
            return out;   // clamped only now, as trilinear interpolation means
        });
    }
}

TEST(CubeFormat, MalformedTextIsRefusedWithTheLineAndNothingElse)
{
    const std::string id = identity2();
    const struct { std::string text; K kind; qint64 line; const char *detail; } cases[] = {
        {"", K::noSize, 0, ""},
        {"just words here\n", K::noSize, 0, ""},   // an unknown keyword, nothing else
        {"Hello, world\n", K::notANumber, 1, "Hello,"},
        {"0 0 0\nLUT_3D_SIZE 2\n", K::entriesBeforeSize, 1, ""},
        {"LUT_3D_SIZE 2\n" + id.substr(0, id.size() - 6), K::tooFewEntries, 8, ""},
        {"LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 1\n", K::tooFewEntries, 2, ""},   // a header and no entries
        {"LUT_3D_SIZE 2\n" + id + "0 0 0\n", K::tooManyEntries, 10, ""},
        {"LUT_3D_SIZE 2\n0 0\n", K::wrongCount, 2, ""},
        {"LUT_3D_SIZE 2\n0 0 x\n", K::notANumber, 2, "x"},
        {"LUT_3D_SIZE 2\n0 1,5 0\n", K::notANumber, 2, "1,5"},
        {"LUT_3D_SIZE 2\n0 nan 0\n", K::notFinite, 2, "nan"},
        {"LUT_3D_SIZE 2\ninf 0 0\n", K::notFinite, 2, "inf"},
        {"LUT_3D_SIZE 2\n0 0 1e39\n", K::notFinite, 2, "1e39"},
        {"LUT_3D_SIZE 1\n", K::sizeOutOfRange, 1, "LUT_3D_SIZE"},
        {"LUT_3D_SIZE 130\n", K::sizeOutOfRange, 1, "LUT_3D_SIZE"},
        {"LUT_3D_SIZE 129\n0 0 0\n", K::tooFewEntries, 2, ""},   // the largest size is taken
        {"LUT_3D_SIZE 99999999999999999999999\n", K::sizeOutOfRange, 1, "LUT_3D_SIZE"},
        {"LUT_1D_SIZE 65537\n", K::sizeOutOfRange, 1, "LUT_1D_SIZE"},
        {"LUT_3D_SIZE 33.5\n", K::keywordValues, 1, "LUT_3D_SIZE"},
        {"LUT_3D_SIZE 2 2\n", K::keywordValues, 1, "LUT_3D_SIZE"},
        {"DOMAIN_MIN 0 0\n", K::keywordValues, 1, "DOMAIN_MIN"},
        {"LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 1 0\n" + id, K::emptyRange, 2, "LUT_3D_INPUT_RANGE"},
        {"LUT_3D_SIZE 2\nLUT_3D_SIZE 2\n", K::repeated, 2, "LUT_3D_SIZE"},
        {"TITLE \"a\"\nTITLE \"b\"\n", K::repeated, 2, "TITLE"},
        {"DOMAIN_MIN 0 0 0\nDOMAIN_MIN 0 0 0\n", K::repeated, 2, "DOMAIN_MIN"},
        {"LUT_3D_SIZE 2\nDOMAIN_MAX 2 2 2\nLUT_3D_INPUT_RANGE 0 1\n" + id, K::conflictingRange, 3, "LUT_3D_INPUT_RANGE"},
        {"LUT_3D_SIZE 2\n" + id + "LUT_3D_SIZE 2\n", K::keywordAfterEntries, 10, "LUT_3D_SIZE"},
        {"LUT_3D_SIZE 2\n0 0 0\nTITLE \"late\"\n", K::keywordAfterEntries, 3, "TITLE"},
        {std::string("LUT_3D_SIZE 2\n0 0 \0 0\n", 22), K::binary, 2, ""},
        {"LUT_1D_SIZE 2\nLUT_3D_SIZE 2\n0 0 0\n1 1 1\n" + id.substr(0, 12), K::tooFewEntries, 6, ""},
    };
    for (const auto &c : cases) {
        const CubeError e = refusal(c.text);
        EXPECT_EQ(e.kind, c.kind) << c.text.substr(0, 60);
        EXPECT_EQ(e.line, c.line) << c.text.substr(0, 60);
        EXPECT_EQ(e.detail, QString::fromUtf8(c.detail)) << c.text.substr(0, 60);
        // Every message names the file, and the line where there is one.
        const QString message = cubeMessage(e, QStringLiteral("/looks/Teal.cube"));
        EXPECT_TRUE(message.startsWith(QStringLiteral("Teal.cube"))) << message.toStdString();
        EXPECT_EQ(message.contains(QStringLiteral("line %1:").arg(c.line)), c.line > 0) << message.toStdString();
    }
}

TEST(CubeFile, RefusesWhatIsNotAReadableTableWithoutBlocking)
{
    QTemporaryDir dir;
    const QString gone = dir.filePath(QStringLiteral("gone.cube"));
    CubeFile read = readCubeFile(gone);
    ASSERT_TRUE(read.error);
    EXPECT_EQ(read.error->kind, K::unreadable);
    EXPECT_FALSE(read.cube || read.stamp);
    EXPECT_EQ(cubeMessage(*read.error, gone), QStringLiteral("gone.cube: No such file or directory"));

    QDir(dir.path()).mkdir(QStringLiteral("folder.cube"));
    EXPECT_EQ(readCubeFile(dir.filePath(QStringLiteral("folder.cube"))).error->kind, K::folder);

    // A pipe nobody writes to must not hang the reader.
    const QString pipe = dir.filePath(QStringLiteral("pipe.cube"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(readCubeFile(pipe).error->kind, K::notRegularFile);

    // 2 GB, sparse: refused from its size, without reading it.
    const QString huge = dir.filePath(QStringLiteral("huge.cube"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(2) << 30));
    }
    read = readCubeFile(huge);
    EXPECT_EQ(read.error->kind, K::tooLarge);
    EXPECT_EQ(read.error->found, qint64(2) << 30);
    EXPECT_TRUE(cubeMessage(*read.error, huge).startsWith(QStringLiteral("huge.cube is too large")));
}

TEST(CubeFile, ATableIsReadOnceAndSharedUntilItsFileChanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("look.cube"));
    auto write = [&](const QByteArray &text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    write("TITLE \"One\"\nLUT_3D_SIZE 2\n" + QByteArray::fromStdString(identity2()));
    const CubeFile first = sharedCubeFile(path);
    ASSERT_TRUE(first.cube);
    EXPECT_EQ(first.title, QStringLiteral("One"));
    EXPECT_EQ(sharedCubeFile(path).cube, first.cube);
    // Another name for the same file shares the table too.
    const QString link = dir.filePath(QStringLiteral("link.cube"));
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(sharedCubeFile(link).cube, first.cube);
    EXPECT_NE(readCubeFile(path).cube, first.cube);   // a plain read always reads
    EXPECT_EQ(stampOf(path), first.stamp);

    write("TITLE \"Two\"\nLUT_3D_SIZE 2\n" + QByteArray::fromStdString(identity2()) + "# changed\n");
    const CubeFile second = sharedCubeFile(path);
    ASSERT_TRUE(second.cube);
    EXPECT_NE(second.cube->id(), first.cube->id());
    EXPECT_EQ(second.title, QStringLiteral("Two"));
    EXPECT_NE(stampOf(path), first.stamp);
}

TEST(LUTEngine, AChosenTableStandsInForItsProfileOnly)
{
    const ClipInfo dlog{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("D-Log")};
    const ClipInfo hlg{.bitDepth = 10, .gammaText = QStringLiteral("HLG")};
    const CubePtr mine = makeCube(parsed("LUT_3D_SIZE 2\n" + identity2()));
    LUTEngine::setTable(LUTEngine::Grade::dLog, mine);
    EXPECT_EQ(LUTEngine::cube(dlog), mine);
    EXPECT_EQ(LUTEngine::cube(hlg), LUTEngine::general());
    EXPECT_EQ(LUTEngine::table(LUTEngine::Grade::dLog), mine);
    EXPECT_EQ(LUTEngine::builtIn(LUTEngine::Grade::dLog), LUTEngine::dLog());
    LUTEngine::setTable(LUTEngine::Grade::dLog, nullptr);
    EXPECT_EQ(LUTEngine::cube(dlog), LUTEngine::dLog());
}
