// The grade's definition, the tables sampled from it, the choice of table per clip, and
// our trilinear lookup checked against a direct evaluation of the grade.
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

RGB entry(const LUTCube &cube, qint64 r, qint64 g, qint64 b, float *alpha = nullptr)
{
    const qint64 n = cube.size();
    const float *f = reinterpret_cast<const float *>(cube.data().constData()) + 4 * (r + n * g + n * n * b);
    if (alpha)
        *alpha = f[3];
    return {f[0], f[1], f[2]};
}

// Trilinear interpolation of `map` itself at the eight lattice points around an 8-bit
// colour, in doubles: what a lookup through a table of size n must reproduce.
std::array<double, 3> reference(const AutoGrade &grade, int n, int r8, int g8, int b8)
{
    auto split = [n](int v, int &cell, double &frac) {
        const double p = v * double(n - 1) / 255.0;
        cell = std::min(int(p), n - 2);
        frac = p - cell;
    };
    int cr, cg, cb;
    double fr, fg, fb;
    split(r8, cr, fr);
    split(g8, cg, fg);
    split(b8, cb, fb);
    auto level = [n](int i) { return float(i) / float(n - 1); };
    std::array<double, 3> out{0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
        const double w = (dr ? fr : 1 - fr) * (dg ? fg : 1 - fg) * (db ? fb : 1 - fb);
        const RGB c = grade.map({level(cr + dr), level(cg + dg), level(cb + db)});
        for (int k = 0; k < 3; ++k)
            out[size_t(k)] += w * c[size_t(k)];
    }
    return out;
}

} // namespace

TEST(AutoGrade, FixedPointsLevelsAndNeutralGreys)
{
    for (const AutoGrade &g : presets) {
        const RGB black = g.map({0, 0, 0});
        const RGB white = g.map({1, 1, 1});
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(black[size_t(k)], 0.0f);
            EXPECT_NEAR(white[size_t(k)], 1.0f, 1e-6f);
        }
        // Levels: at or below black is 0 before the curve, at or above white is 1.
        EXPECT_EQ(g.curve(g.black), 0.0f);
        EXPECT_EQ(g.curve(g.black - 0.05f), 0.0f);
        EXPECT_EQ(g.curve(-1.0f), 0.0f);
        EXPECT_EQ(g.curve(g.white), 1.0f);
        EXPECT_EQ(g.curve(g.white + 0.05f), 1.0f);
        EXPECT_EQ(g.curve(2.0f), 1.0f);
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
        // Saturation changes colours whose channels differ, and results stay in 0..1.
        const RGB colour = g.map({0.6f, 0.4f, 0.3f});
        for (float c : colour) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LE(c, 1.0f);
        }
        EXPECT_GT(colour[0], colour[2]);
    }
}

TEST(LUTCube, LayoutSizeAndIdentity)
{
    const LUTCube cube(AutoGrade::dLog);
    EXPECT_EQ(cube.size(), 33);
    EXPECT_EQ(cube.data().size(), 574992);
    float alpha = 0;
    const RGB first = entry(cube, 0, 0, 0, &alpha);
    EXPECT_EQ(first, (RGB{0, 0, 0}));
    EXPECT_EQ(alpha, 1.0f);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(cube.id()).hasMatch()) << cube.id().toStdString();
    EXPECT_NE(LUTCube(AutoGrade::dLog).id(), cube.id());

    // Red varies fastest; every entry equals the grade at its lattice point, alpha 1.
    for (const AutoGrade &g : presets) {
        const LUTCube t(g, 5);
        ASSERT_EQ(t.data().size(), 5 * 5 * 5 * 16);
        for (int b = 0; b < 5; ++b)
            for (int gr = 0; gr < 5; ++gr)
                for (int r = 0; r < 5; ++r) {
                    const RGB want = g.map({r / 4.0f, gr / 4.0f, b / 4.0f});
                    const RGB got = entry(t, r, gr, b, &alpha);
                    for (int k = 0; k < 3; ++k)
                        EXPECT_FLOAT_EQ(got[size_t(k)], want[size_t(k)]);
                    EXPECT_EQ(alpha, 1.0f);
                }
    }
    EXPECT_EQ(LUTCube(AutoGrade::general, 1).size(), 2);
}

TEST(LUTCube, LookupMatchesTheGradeAtAndBetweenLatticePoints)
{
    // Size 18 puts lattice points on multiples of 15 in 8-bit values.
    for (const AutoGrade &g : presets) {
        const LUTCube cube(g, 18);
        QImage img(18, 18 * 18, QImage::Format_RGBA8888);
        for (int b = 0; b < 18; ++b)
            for (int gr = 0; gr < 18; ++gr)
                for (int r = 0; r < 18; ++r)
                    img.setPixelColor(r, gr + 18 * b, QColor(15 * r, 15 * gr, 15 * b, 7 * r));
        cube.applyRGBA(img.bits(), img.width(), img.height(), img.bytesPerLine());
        for (int b = 0; b < 18; ++b)
            for (int gr = 0; gr < 18; ++gr)
                for (int r = 0; r < 18; ++r) {
                    const RGB want = g.map({15 * r / 255.0f, 15 * gr / 255.0f, 15 * b / 255.0f});
                    const uchar *p = img.constScanLine(gr + 18 * b) + 4 * r;
                    for (int k = 0; k < 3; ++k)
                        EXPECT_NEAR(p[k], want[size_t(k)] * 255.0f, 1.0f) << r << ' ' << gr << ' ' << b;
                    EXPECT_EQ(p[3], 7 * r);   // alpha untouched
                }
    }

    // Between lattice points: the trilinear blend of the grade at the eight corners.
    QRandomGenerator random(7);
    for (const AutoGrade &g : presets) {
        const auto cube = std::make_shared<const LUTCube>(g);
        QImage img(64, 64, QImage::Format_RGBA8888);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixelColor(x, y, QColor(random.bounded(256), random.bounded(256), random.bounded(256),
                                               random.bounded(256)));
        const QImage before = img.copy();
        const std::optional<QImage> out = cube->apply(img);
        ASSERT_TRUE(out);
        ASSERT_EQ(out->format(), QImage::Format_RGBA8888);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uchar *in = before.constScanLine(y) + 4 * x;
                const uchar *p = out->constScanLine(y) + 4 * x;
                const auto want = reference(g, 33, in[0], in[1], in[2]);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(p[k], want[size_t(k)] * 255.0, 1.0);
                EXPECT_EQ(p[3], in[3]);
            }
        EXPECT_EQ(img, before);   // apply leaves its input alone
    }
}

TEST(LUTCube, ApplyHandlesFormatsPaddingAndNothing)
{
    const LUTCube cube(AutoGrade::dLog2);
    EXPECT_FALSE(cube.apply(QImage()));

    // Byte order of the input is not a colour conversion: ARGB32 and RGBA give the same.
    QImage argb(3, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(200, 100, 50, 255));
    argb.setPixel(1, 0, qRgba(10, 240, 128, 255));
    argb.setPixel(2, 0, qRgba(128, 128, 128, 255));
    const std::optional<QImage> a = cube.apply(argb);
    const std::optional<QImage> b = cube.apply(argb.convertToFormat(QImage::Format_RGBA8888));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);
    const QColor grey = a->pixelColor(2, 0);
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());

    // Padding at the end of each row is never written.
    std::vector<uchar> buffer(2 * 12, 0xAB);
    for (int i = 0; i < 2; ++i)
        std::fill_n(buffer.begin() + i * 12, 8, uchar(0));
    cube.applyRGBA(buffer.data(), 2, 2, 12);
    for (int row = 0; row < 2; ++row)
        for (int i = 8; i < 12; ++i)
            EXPECT_EQ(buffer[size_t(row * 12 + i)], 0xAB);
    EXPECT_EQ(buffer[0], 0);   // black stays black
}

TEST(LUTEngine, ChoosesTheTableByProfile)
{
    const ClipInfo dlog{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("D-Log")};
    const ClipInfo dlog2{.bitDepth = 10, .colorCode = 22, .gammaText = QStringLiteral("D-Log2")};
    const ClipInfo hlg{.bitDepth = 10, .gammaText = QStringLiteral("Rec.2100 HLG")};
    const ClipInfo byCode{.bitDepth = 10, .colorCode = 22};
    const ClipInfo rec709{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("REC.709")};
    const ClipInfo normal{.bitDepth = 10, .colorCode = 2, .gammaText = QStringLiteral("NorMal")};
    const ClipInfo eightBit{.bitDepth = 8, .colorCode = 2};
    const ClipInfo unknownCode{.bitDepth = 10, .colorCode = 5};

    EXPECT_EQ(LUTEngine::cube(dlog), LUTEngine::dLog());
    EXPECT_EQ(LUTEngine::cube(dlog2), LUTEngine::dLog2());
    EXPECT_EQ(LUTEngine::cube(byCode), LUTEngine::dLog2());
    EXPECT_EQ(LUTEngine::cube(hlg), LUTEngine::general());
    EXPECT_EQ(LUTEngine::cube(rec709), nullptr);
    EXPECT_EQ(LUTEngine::cube(normal), nullptr);
    EXPECT_EQ(LUTEngine::cube(eightBit), nullptr);
    EXPECT_EQ(LUTEngine::cube(unknownCode), nullptr);

    // The same instance and id on every request, from any thread.
    const CubePtr first = LUTEngine::cube(dlog);
    const QString id = first->id();
    std::vector<CubePtr> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i, &dlog] { seen[i] = LUTEngine::cube(dlog); });
    for (auto &t : threads)
        t.join();
    for (const CubePtr &c : seen) {
        EXPECT_EQ(c, first);
        EXPECT_EQ(c->id(), id);
    }
    EXPECT_NE(LUTEngine::dLog()->id(), LUTEngine::dLog2()->id());
    EXPECT_NE(LUTEngine::dLog2()->id(), LUTEngine::general()->id());
}

TEST(LUTCube, VectorAndPortablePathsGiveIdenticalPixels)
{
    const LUTCube cube(AutoGrade::dLog);
    QImage every(256, 256, QImage::Format_RGBA8888);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            every.setPixelColor(x, y, QColor(x, y, (x * 7 + y * 13) & 255, (x + y) & 255));
    QImage portable = every.copy();
    setVectorLookup(false);
    cube.applyRGBA(portable.bits(), portable.width(), portable.height(), portable.bytesPerLine());
    setVectorLookup(true);
    cube.applyRGBA(every.bits(), every.width(), every.height(), every.bytesPerLine());
    EXPECT_EQ(portable, every);
}
