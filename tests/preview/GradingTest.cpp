// The grade at known points, the tables sampled from it, the choice of table per clip,
// and the trilinear lookup checked against a direct evaluation of the grade.
#include "AutoGrade.h"
#include "LUTCube.h"
#include "LUTEngine.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cmath>
#include <thread>

using namespace vidorra;

namespace {

const AutoGrade presets[] = {AutoGrade::dLog, AutoGrade::dLog2, AutoGrade::general};

RGB entry(const LUTCube &cube, qint64 r, qint64 g, qint64 b, float *alpha)
{
    const qint64 n = cube.size();
    const float *f = reinterpret_cast<const float *>(cube.data().constData()) + 4 * (r + n * g + n * n * b);
    *alpha = f[3];
    return {f[0], f[1], f[2]};
}

// Trilinear blend of the grade at the eight lattice points of a size-n table around an
// 8-bit colour, in doubles: what a lookup through the table must reproduce.
std::array<double, 3> reference(const AutoGrade &grade, int n, const uchar *rgb)
{
    int cell[3];
    double frac[3];
    for (int k = 0; k < 3; ++k) {
        const double p = rgb[k] * double(n - 1) / 255.0;
        cell[k] = std::min(int(p), n - 2);
        frac[k] = p - cell[k];
    }
    auto level = [n](int i) { return float(i) / float(n - 1); };
    std::array<double, 3> out{0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        double w = 1;
        RGB at;
        for (int k = 0; k < 3; ++k) {
            const int d = (corner >> k) & 1;
            w *= d ? frac[k] : 1 - frac[k];
            at[size_t(k)] = level(cell[k] + d);
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
    for (const auto &k : known) {
        const RGB got = k.grade.map(k.in);
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], k.out[c], 1e-4f) << k.in[0] << ' ' << k.in[1] << ' ' << k.in[2];
    }

    for (const AutoGrade &g : presets) {
        EXPECT_EQ(g.map({0, 0, 0}), (RGB{0, 0, 0}));
        for (float c : g.map({1, 1, 1}))
            EXPECT_NEAR(c, 1.0f, 1e-6f);
        // Levels: at or below black is 0 before the curve, at or above white is 1.
        for (float v : {g.black, g.black - 0.05f, -1.0f})
            EXPECT_EQ(g.curve(v), 0.0f);
        for (float v : {g.white, g.white + 0.05f, 2.0f})
            EXPECT_EQ(g.curve(v), 1.0f);
        // A grey stays grey at every level; the curve never decreases.
        float previous = -1.0f;
        for (int i = 0; i <= 100; ++i) {
            const float v = float(i) / 100.0f;
            const RGB out = g.map({v, v, v});
            EXPECT_NEAR(out[0], out[1], 1e-6f) << v;
            EXPECT_NEAR(out[1], out[2], 1e-6f) << v;
            EXPECT_GE(out[0], previous - 1e-6f);
            previous = out[0];
        }
    }
}

TEST(LUTCube, LayoutSizeAndIdentity)
{
    const LUTCube cube(AutoGrade::dLog);
    EXPECT_EQ(cube.size(), 33);
    EXPECT_EQ(cube.data().size(), 574992);
    float alpha = 0;
    EXPECT_EQ(entry(cube, 0, 0, 0, &alpha), (RGB{0, 0, 0}));
    EXPECT_EQ(alpha, 1.0f);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(cube.id()).hasMatch()) << cube.id().toStdString();
    EXPECT_NE(LUTCube(AutoGrade::dLog).id(), cube.id());
    EXPECT_EQ(LUTCube(AutoGrade::general, 1).size(), 2);

    // Red varies fastest; every entry is the grade at its lattice point, alpha 1.
    const LUTCube t(AutoGrade::dLog2, 5);
    ASSERT_EQ(t.data().size(), 5 * 5 * 5 * 16);
    for (int b = 0; b < 5; ++b)
        for (int g = 0; g < 5; ++g)
            for (int r = 0; r < 5; ++r) {
                const RGB want = AutoGrade::dLog2.map({r / 4.0f, g / 4.0f, b / 4.0f});
                const RGB got = entry(t, r, g, b, &alpha);
                for (size_t k = 0; k < 3; ++k)
                    EXPECT_FLOAT_EQ(got[k], want[k]);
                EXPECT_EQ(alpha, 1.0f);
            }
}

TEST(LUTCube, LookupIsTheTrilinearBlendOfTheGrade)
{
    QRandomGenerator random(7);
    for (const AutoGrade &g : presets) {
        const LUTCube cube(g);
        QImage img(64, 64, QImage::Format_RGBA8888);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixel(x, y, qRgba(random.bounded(256), random.bounded(256), random.bounded(256),
                                         random.bounded(256)));
        img.setPixel(0, 0, qRgba(255, 255, 255, 255));   // the table's far corner
        const QImage before = img.copy();
        const std::optional<QImage> out = cube.apply(img);
        ASSERT_TRUE(out);
        ASSERT_EQ(out->format(), QImage::Format_RGBA8888);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uchar *in = before.constScanLine(y) + 4 * x;
                const uchar *p = out->constScanLine(y) + 4 * x;
                const auto want = reference(g, 33, in);
                for (size_t k = 0; k < 3; ++k)
                    EXPECT_NEAR(p[k], want[k] * 255.0, 1.0) << x << ' ' << y;
                EXPECT_EQ(p[3], in[3]);   // alpha untouched
            }
        EXPECT_EQ(img, before);   // apply leaves its input alone
    }
}

TEST(LUTCube, ApplyHandlesFormatsPaddingAndNothing)
{
    const LUTCube cube(AutoGrade::dLog2);
    EXPECT_FALSE(cube.apply(QImage()));

    // Byte order of the input is not a colour conversion: ARGB32 and RGBA give the same.
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(200, 100, 50, 255));
    argb.setPixel(1, 0, qRgba(10, 240, 128, 255));
    const std::optional<QImage> a = cube.apply(argb);
    const std::optional<QImage> b = cube.apply(argb.convertToFormat(QImage::Format_RGBA8888));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);

    // Padding at the end of each row is never written.
    std::vector<uchar> buffer(2 * 12, 0xAB);
    for (int i = 0; i < 2; ++i)
        std::fill_n(buffer.begin() + i * 12, 8, uchar(0));
    cube.applyRGBA(buffer.data(), 2, 2, 12);
    for (int row = 0; row < 2; ++row)
        for (int i = 8; i < 12; ++i)
            EXPECT_EQ(buffer[size_t(row * 12 + i)], 0xAB);
}

TEST(LUTCube, VectorAndPortablePathsGiveIdenticalPixels)
{
    const LUTCube cube(AutoGrade::dLog);
    QImage every(256, 256, QImage::Format_RGBA8888);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            every.setPixel(x, y, qRgba(x, y, (x * 7 + y * 13) & 255, (x + y) & 255));
    QImage portable = every.copy();
    setVectorLookup(false);
    cube.applyRGBA(portable.bits(), portable.width(), portable.height(), portable.bytesPerLine());
    setVectorLookup(true);
    cube.applyRGBA(every.bits(), every.width(), every.height(), every.bytesPerLine());
    EXPECT_EQ(portable, every);
}

TEST(LUTEngine, ChoosesTheTableByProfile)
{
    // First use from several threads at once still builds one table.
    const ClipInfo hlg{.bitDepth = 10, .gammaText = QStringLiteral("Rec.2100 HLG")};
    std::vector<CubePtr> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i, &hlg] { seen[i] = LUTEngine::cube(hlg); });
    for (auto &t : threads)
        t.join();
    for (const CubePtr &c : seen)
        EXPECT_EQ(c, LUTEngine::general());

    const struct { ClipInfo info; CubePtr want; } rows[] = {
        {{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("D-Log")}, LUTEngine::dLog()},
        {{.bitDepth = 10, .colorCode = 22, .gammaText = QStringLiteral("D-Log2")}, LUTEngine::dLog2()},
        {{.bitDepth = 10, .colorCode = 22}, LUTEngine::dLog2()},
        {{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("REC.709")}, nullptr},
        {{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("NorMal")}, nullptr},
        {{.bitDepth = 8, .colorCode = 2}, nullptr},
        {{.bitDepth = 10, .colorCode = 5}, nullptr},
    };
    for (const auto &row : rows)
        EXPECT_EQ(LUTEngine::cube(row.info), row.want) << row.info.gammaText.toStdString() << row.info.colorCode;
    EXPECT_NE(LUTEngine::dLog()->id(), LUTEngine::dLog2()->id());
}
