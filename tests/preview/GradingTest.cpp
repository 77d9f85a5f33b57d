// The grade at known points, the tables sampled from it, lookups through a table against
// the grade itself, and the choice of table per clip.
#include "preview/AutoGrade.h"
#include "preview/LUTCube.h"
#include "preview/LUTEngine.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace vidorra;

namespace {

const AutoGrade presets[] = {AutoGrade::dLog, AutoGrade::dLog2, AutoGrade::general};

QImage randomImage(int side, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage img(side, side, QImage::Format_RGBA8888);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            img.setPixel(x, y, random.generate() | (x == 0 ? 0xFFFFFFFFu : 0u));   // a white column
    return img;
}

// Trilinear blend of the grade at the eight lattice points of a size-n table around an
// 8-bit colour, in doubles: what a lookup through the table must reproduce.
std::array<double, 3> reference(const AutoGrade &grade, int n, const uchar *rgb)
{
    std::array<double, 3> out{0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        double w = 1;
        RGB at;
        for (int k = 0; k < 3; ++k) {
            const double p = rgb[k] * double(n - 1) / 255.0;
            const int cell = std::min(int(p), n - 2), d = (corner >> k) & 1;
            w *= d ? p - cell : 1 - (p - cell);
            at[size_t(k)] = float(cell + d) / float(n - 1);
        }
        const RGB c = grade.map(at);
        for (size_t k = 0; k < 3; ++k)
            out[k] += w * c[k];
    }
    return out;
}

} // namespace

TEST(AutoGrade, KnownColoursLevelsAndNeutralGreys)
{
    // Worked out by hand from the grade's definition: a wrong level, gamma, S-curve,
    // luma weight or saturation moves these.
    const struct { const AutoGrade &grade; RGB in, out; } known[] = {
        {AutoGrade::dLog, {0.4f, 0.4f, 0.4f}, {0.45406f, 0.45406f, 0.45406f}},
        {AutoGrade::dLog, {0.6f, 0.4f, 0.3f}, {0.82141f, 0.43868f, 0.23467f}},
        {AutoGrade::dLog2, {0.2f, 0.5f, 0.8f}, {0.0934f, 0.80683f, 1.0f}},
        {AutoGrade::general, {0.4f, 0.4f, 0.4f}, {0.43939f, 0.43939f, 0.43939f}},
    };
    for (const auto &k : known)
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(k.grade.map(k.in)[c], k.out[c], 1e-4f) << k.in[0] << ' ' << k.in[1] << ' ' << k.in[2];

    for (const AutoGrade &g : presets) {
        // Levels: at or below black is 0 before the curve, at or above white is 1.
        EXPECT_EQ(g.curve(g.black) + g.curve(-1.0f), 0.0f);
        EXPECT_EQ(g.curve(g.white) + g.curve(2.0f), 2.0f);
        // A grey stays grey from black to white; the curve never decreases.
        RGB previous{-1, -1, -1};
        for (int i = 0; i <= 100; ++i) {
            const RGB out = g.map({i / 100.0f, i / 100.0f, i / 100.0f});
            EXPECT_TRUE(std::abs(out[0] - out[1]) < 1e-6f && std::abs(out[1] - out[2]) < 1e-6f) << i;
            EXPECT_GE(out[0], previous[0] - 1e-6f) << i;
            previous = out;
        }
        EXPECT_EQ(g.map({0, 0, 0}), (RGB{0, 0, 0}));
        EXPECT_NEAR(previous[0], 1.0f, 1e-6f);
    }
}

TEST(LUTCube, LookupIsTheTrilinearBlendOfTheGradeOnEitherPath)
{
    // An odd width leaves a tail after the vector path's full blocks.
    const QImage img = randomImage(63, 7);
    for (bool vector : {false, true}) {
        setVectorLookup(vector);
        for (const AutoGrade &g : presets) {
            const std::optional<QImage> out = LUTCube(g).apply(img);
            ASSERT_TRUE(out && out->format() == QImage::Format_RGBA8888);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const uchar *in = img.constScanLine(y) + 4 * x;
                    const uchar *p = out->constScanLine(y) + 4 * x;
                    const auto want = reference(g, 33, in);
                    for (size_t k = 0; k < 3; ++k)
                        EXPECT_NEAR(p[k], want[k] * 255.0, 1.0) << vector << ' ' << x << ' ' << y;
                    EXPECT_EQ(p[3], in[3]);   // alpha untouched
                }
        }
    }
    EXPECT_EQ(img, randomImage(63, 7));   // apply leaves its input alone
}

TEST(LUTCube, NoPictureAndRowPadding)
{
    const LUTCube cube(AutoGrade::dLog2);
    EXPECT_FALSE(cube.apply(QImage()));
    // Byte order of the input is not a colour conversion: ARGB32 and RGBA give the same.
    const QImage argb = randomImage(4, 3).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(cube.apply(argb), cube.apply(argb.convertToFormat(QImage::Format_RGBA8888)));

    // Padding at the end of each row is never written.
    std::vector<uchar> buffer(2 * 12, 0xAB);
    cube.applyRGBA(buffer.data(), 2, 2, 12);
    for (size_t i : {8, 9, 10, 11, 20, 21, 22, 23})
        EXPECT_EQ(buffer[i], 0xAB) << i;
}

TEST(LUTEngine, ChoosesTheTableByProfile)
{
    const struct { ClipInfo info; CubePtr want; } rows[] = {
        {{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("D-Log")}, LUTEngine::dLog()},
        {{.bitDepth = 10, .colorCode = 22, .gammaText = QStringLiteral("D-Log2")}, LUTEngine::dLog2()},
        {{.bitDepth = 10, .colorCode = 22}, LUTEngine::dLog2()},
        {{.bitDepth = 10, .gammaText = QStringLiteral("Rec.2100 HLG")}, LUTEngine::general()},
        {{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("REC.709")}, nullptr},
        {{.bitDepth = 8, .colorCode = 2}, nullptr},
        {{.bitDepth = 10, .colorCode = 5}, nullptr},
    };
    for (const auto &row : rows)
        EXPECT_EQ(LUTEngine::cube(row.info), row.want) << row.info.gammaText.toStdString() << row.info.colorCode;
}
