// 10-bit HEVC, as the camera records log footage: thumbnails take the right frame in the
// right colours, graded as 8-bit clips are, and the players decode it and loop.
#include "VideoClips.h"

#include "preview/CoverLoader.h"
#include "preview/LUTEngine.h"
#include "ui/frames/PlayerSurface.h"
#include "preview/TilePlayer.h"

#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <algorithm>
#include <set>

using namespace vidorra;
using test::frameNumber;

namespace {

class Hevc : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const QString why = fixture::hevcUnavailable(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        CoverLoader::clearCache();
    }

    // Written once per run; HEVC unless `hevc` is false.
    static QString clip(const QString &name, fixture::ClipSpec spec, bool hevc = true)
    {
        static QTemporaryDir dir;
        spec.hevcVideo = hevc;
        const QString path = dir.filePath(name);
        if (!QFile::exists(path)) {
            EXPECT_TRUE(fixture::writeClip(path, spec)) << name.toStdString();
        }
        return path;
    }
};

// The largest mean difference of one channel between two pictures of the same size.
double channelDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888), y = b.convertToFormat(QImage::Format_RGBA8888);
    double sum[3] = {};
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            for (int c = 0; c < 3; ++c)
                sum[c] += std::abs(x.constScanLine(row)[4 * col + c] - y.constScanLine(row)[4 * col + c]);
    return std::max({sum[0], sum[1], sum[2]}) / (double(x.width()) * x.height());
}

} // namespace

TEST_F(Hevc, ThumbnailIsTheKeyFrameNearestTheCoverTime)
{
    // A key frame every second: 0.7 s of a 7 s clip is nearest frame 10.
    const QString path = clip(QStringLiteral("numbered.mp4"), test::videoSpec(7.0));
    const std::optional<QImage> thumbnail = CoverLoader::render(path, 7.0, nullptr);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->size(), QSize(320, 180));
    EXPECT_EQ(frameNumber(*thumbnail), 10);
}

TEST_F(Hevc, ThumbnailColoursMatchTheSceneAndGradeLikeEightBit)
{
    // The flat landscape of log footage. What was drawn, graded or not, is what comes
    // out, as closely for 10-bit HEVC as for 8-bit H.264 (about two levels); swapped
    // chroma, a misread sample depth or video levels taken as full range are further off.
    fixture::ClipSpec spec = test::videoSpec(2.0);
    spec.scene = 3;
    spec.sceneFlat = true;
    QImage drawn(320, 180, QImage::Format_RGBA8888);
    fixture::drawScene(drawn.bits(), 320, 180, drawn.bytesPerLine(), 0, spec.scene, true, spec.fps);
    for (const bool hevc : {false, true}) {
        const QString path = clip(hevc ? QStringLiteral("scene.mp4") : QStringLiteral("scene-h264.mp4"), spec, hevc);
        for (const CubePtr &cube : {CubePtr(), LUTEngine::dLog(), LUTEngine::general()}) {
            const std::optional<QImage> thumbnail = CoverLoader::render(path, 2.0, cube.get());
            ASSERT_TRUE(thumbnail) << hevc;
            ASSERT_EQ(thumbnail->size(), drawn.size());
            const QImage want = cube ? *cube->apply(drawn) : drawn;
            EXPECT_LT(channelDifference(*thumbnail, want), 6.0) << hevc << (cube ? " graded" : " plain");
        }
    }
}

TEST_F(Hevc, TilePlayerShowsEveryFrameNumberedAndLoops)
{
    auto tile = TilePlayer::create(clip(QStringLiteral("short.mp4"), test::videoSpec(1.0)), 1.0);
    ASSERT_TRUE(tile);
    tile->setTargetSize(QSize(160, 90));
    std::vector<int> shown;
    QObject::connect(tile.get(), &FrameSource::frameChanged, [&] { shown.push_back(frameNumber(tile->frame())); });
    ASSERT_TRUE(test::waitFor([&] { return tile->loops() >= 1 && shown.size() >= 2 && shown.back() < 5; }, 15000));
    tile->stop();
    EXPECT_GE(*std::min_element(shown.begin(), shown.end()), 0);   // every frame reads back
    EXPECT_GE(*std::max_element(shown.begin(), shown.end()), 5);   // and it got well into the clip
}

TEST_F(Hevc, MediaPlayerShowsTheFramesAndGradesThem)
{
    std::unique_ptr<QMediaPlayer> player(makeMediaPlayer(nullptr));
    PlayerSurface surface;
    surface.resize(160, 90);   // frames are converted and graded at the size shown
    surface.setPlayer(player.get());
    // Recorded greys run from 40 to 215; the D-Log grade takes the ends outside that.
    bool grading = false, plainExtreme = false, gradedExtreme = false;
    std::set<int> numbers;
    QObject::connect(&surface, &PlayerSurface::frameShown, [&] {
        const QImage frame = surface.currentFrame();
        const int grey = frame.pixelColor(frame.width() / 2, frame.height() * 3 / 4).green();
        (grading ? gradedExtreme : plainExtreme) |= grey <= 28 || grey >= 228;
        if (!grading)
            numbers.insert(frameNumber(frame));
    });
    player->setLoops(QMediaPlayer::Infinite);
    player->setSource(QUrl::fromLocalFile(clip(QStringLiteral("played.mp4"), test::videoSpec(4.0))));
    player->play();
    const bool played = test::waitFor([&] { return surface.framesShown() >= 5; }, 15000);
    if (!played && player->error() != QMediaPlayer::NoError)
        GTEST_SKIP() << "Qt Multimedia cannot play here: " << player->errorString().toStdString();
    ASSERT_TRUE(played);
    EXPECT_EQ(numbers.count(-1), 0u) << "a frame came out garbled";
    EXPECT_EQ(surface.currentFrame().size(), QSize(160, 90));
    EXPECT_GE(numbers.size(), 3u);
    EXPECT_FALSE(plainExtreme);

    // Frames already on their way plain never look extreme, so they cannot pass for graded.
    surface.setCube(LUTEngine::dLog());
    grading = true;
    EXPECT_TRUE(test::waitFor([&] { return gradedExtreme; }, 15000));
    player->stop();
    surface.setPlayer(nullptr);
}
