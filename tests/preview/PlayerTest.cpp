// The players: scrub seeks coalesced, clamped and owned; tile players capped at 16,
// starting where they should and looping to 0; the views; the full-size surface playing
// a clip through Qt Multimedia.
#include "FrameView.h"
#include "LUTEngine.h"
#include "PlayerSurface.h"
#include "PreviewPlayer.h"
#include "TilePlayer.h"
#include "VideoClips.h"

#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace vidorra;
using test::frameNumber;

namespace {

// Real-video clips, written once for the whole run.
QString clipPath(double duration)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("clip_%1.mp4").arg(duration));
    if (!QFile::exists(name))
        EXPECT_TRUE(fixture::writeClip(name, test::videoSpec(duration)));
    return name;
}

class Scrub : public ::testing::Test {
protected:
    void SetUp() override
    {
        spyIssued = std::make_unique<QSignalSpy>(PreviewPlayer::source(), &ScrubSource::seekIssued);
        PreviewPlayer::source()->setTargetSize(QSize(160, 90));
    }
    void TearDown() override
    {
        if (const auto owner = PreviewPlayer::owner())
            PreviewPlayer::stop(*owner);
        // Let an outstanding seek finish so the next test starts idle.
        EXPECT_TRUE(QTest::qWaitFor([] { return !PreviewPlayer::isSeeking(); }, 10000));
    }
    void startReady(const QString &path, const QUuid &owner)
    {
        PreviewPlayer::start(path, owner);
        ASSERT_TRUE(QTest::qWaitFor([] { return PreviewPlayer::isReady(); }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([] { return !PreviewPlayer::isSeeking(); }, 10000));
        spyIssued->clear();
    }
    static bool settled()
    {
        return !PreviewPlayer::isSeeking() && !PreviewPlayer::pendingTarget();
    }
    std::vector<double> issued() const
    {
        std::vector<double> out;
        for (const QList<QVariant> &args : *spyIssued)
            out.push_back(args.at(0).toDouble());
        return out;
    }
    std::unique_ptr<QSignalSpy> spyIssued;
};

} // namespace

TEST_F(Scrub, ScrubBeforeReadyIsIssuedWhenReadyAtTheFrameAskedFor)
{
    const QUuid card = QUuid::createUuid();
    PreviewPlayer::start(clipPath(4.0), card);
    PreviewPlayer::scrub(0.5, card);
    EXPECT_FALSE(PreviewPlayer::isReady());
    EXPECT_EQ(PreviewPlayer::pendingTarget(), 0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spyIssued->size() == 1 && settled(); }, 10000));
    EXPECT_DOUBLE_EQ(issued().at(0), 2.0);
    const QImage frame = PreviewPlayer::source()->frame();
    EXPECT_EQ(frameNumber(frame), 20);
    EXPECT_EQ(frame.size(), QSize(160, 90));   // decoded at the size shown, not the clip's
}

TEST_F(Scrub, ThreeScrubsDuringASeekGiveOneFurtherSeekToTheLast)
{
    const QUuid card = QUuid::createUuid();
    startReady(clipPath(4.0), card);
    PreviewPlayer::scrub(0.1, card);
    ASSERT_TRUE(PreviewPlayer::isSeeking());
    PreviewPlayer::scrub(0.2, card);
    PreviewPlayer::scrub(0.3, card);
    PreviewPlayer::scrub(0.9, card);
    EXPECT_EQ(PreviewPlayer::pendingTarget(), 0.9);
    ASSERT_TRUE(QTest::qWaitFor([] { return settled(); }, 10000));
    const std::vector<double> seeks = issued();
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_DOUBLE_EQ(seeks[0], 0.4);
    EXPECT_DOUBLE_EQ(seeks[1], 3.6);
    EXPECT_EQ(frameNumber(PreviewPlayer::source()->frame()), 36);
}

TEST_F(Scrub, FractionsAreClampedToTheClip)
{
    const QUuid card = QUuid::createUuid();
    startReady(clipPath(4.0), card);
    PreviewPlayer::scrub(-0.3, card);
    ASSERT_TRUE(QTest::qWaitFor([] { return settled(); }, 10000));
    EXPECT_EQ(frameNumber(PreviewPlayer::source()->frame()), 0);
    PreviewPlayer::scrub(1.7, card);
    ASSERT_TRUE(QTest::qWaitFor([] { return settled(); }, 10000));
    const std::vector<double> seeks = issued();
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_DOUBLE_EQ(seeks[0], 0.0);
    EXPECT_DOUBLE_EQ(seeks[1], 4.0);
    EXPECT_EQ(frameNumber(PreviewPlayer::source()->frame()), 39);   // the last frame
}

TEST_F(Scrub, OnlyTheOwnerScrubsAndStops)
{
    const QUuid first = QUuid::createUuid(), second = QUuid::createUuid();
    PreviewPlayer::scrub(0.5, first);   // nobody owns the player yet
    EXPECT_FALSE(PreviewPlayer::pendingTarget());

    startReady(clipPath(4.0), first);
    startReady(clipPath(2.0), second);   // the newer card takes over
    EXPECT_EQ(PreviewPlayer::owner(), second);
    PreviewPlayer::stop(first);
    PreviewPlayer::scrub(0.5, first);
    EXPECT_EQ(PreviewPlayer::owner(), second);
    EXPECT_TRUE(PreviewPlayer::isReady());
    EXPECT_FALSE(PreviewPlayer::pendingTarget());
    EXPECT_TRUE(issued().empty());

    PreviewPlayer::scrub(0.5, second);
    ASSERT_TRUE(QTest::qWaitFor([] { return settled(); }, 10000));
    EXPECT_EQ(frameNumber(PreviewPlayer::source()->frame()), 10);   // 1.0 s of the 2 s clip
    PreviewPlayer::stop(second);
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_FALSE(PreviewPlayer::isReady());
    EXPECT_TRUE(PreviewPlayer::source()->frame().isNull());
}

TEST_F(Scrub, FramesAreGradedWithTheTableGiven)
{
    const QUuid card = QUuid::createUuid();
    PreviewPlayer::start(clipPath(4.0), card);
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PreviewPlayer::isReady() && settled() && spyIssued->size() == 1; }, 10000));
    const QImage plain = PreviewPlayer::source()->frame();
    const CubePtr cube = LUTEngine::dLog();
    PreviewPlayer::start(clipPath(4.0), card, cube);
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PreviewPlayer::isReady() && settled() && spyIssued->size() == 2; }, 10000));
    const std::optional<QImage> expected = cube->apply(plain);
    ASSERT_TRUE(expected);
    EXPECT_EQ(PreviewPlayer::source()->frame(), *expected);
}

TEST_F(Scrub, AFileThatDoesNotOpenKeepsItsTargetPending)
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.mp4"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a movie at all");
    file.close();
    const QUuid card = QUuid::createUuid();
    PreviewPlayer::start(bad, card);
    PreviewPlayer::scrub(0.5, card);
    // A good clip started after it by the same card opens on the same decoder thread, so
    // once that one is ready the bad one has had its chance.
    const QUuid other = QUuid::createUuid();
    PreviewPlayer::start(clipPath(2.0), other);
    ASSERT_TRUE(QTest::qWaitFor([] { return PreviewPlayer::isReady(); }, 10000));
    EXPECT_TRUE(issued().empty());
}

TEST(TilePlayers, TheSeventeenthFailsUntilOneStops)
{
    const QString path = clipPath(2.0);
    std::vector<std::unique_ptr<TilePlayer>> tiles;
    for (int i = 0; i < TilePlayer::limit; ++i) {
        tiles.push_back(TilePlayer::create(path, 2.0));
        ASSERT_TRUE(tiles.back());
    }
    EXPECT_EQ(TilePlayer::active(), 16);
    EXPECT_FALSE(TilePlayer::create(path, 2.0));
    tiles.front()->stop();
    tiles.front()->stop();   // a second stop changes nothing
    EXPECT_EQ(TilePlayer::active(), 15);
    auto again = TilePlayer::create(path, 2.0);
    EXPECT_TRUE(again);
    EXPECT_FALSE(TilePlayer::create(path, 2.0));
    again->stop();
    for (auto &tile : tiles)
        tile->stop();
    EXPECT_EQ(TilePlayer::active(), 0);
}

TEST(TilePlayers, StartPointsAndLoopingBackToZero)
{
    for (int i = 0; i < 20; ++i) {
        auto longer = TilePlayer::create(clipPath(10.0), 10.0);
        ASSERT_TRUE(longer);
        EXPECT_GE(longer->startTime(), 0.0);
        EXPECT_LE(longer->startTime(), 7.0);
        longer->stop();
    }
    auto exact = TilePlayer::create(clipPath(2.0), 2.0);
    EXPECT_EQ(exact->startTime(), 0.0);
    exact->stop();
    auto odd = TilePlayer::create(clipPath(2.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(odd->startTime(), 0.0);
    odd->stop();

    // A short clip plays from 0, reaches its end and starts again at 0, decoded at the
    // size its view asked for.
    auto tile = TilePlayer::create(clipPath(1.0), 1.0);
    tile->setTargetSize(QSize(128, 64));
    std::vector<int> shown;
    QObject::connect(tile.get(), &FrameSource::frameChanged, [&] { shown.push_back(frameNumber(tile->frame())); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return tile->loops() >= 1 && shown.size() >= 2 && shown.back() < 5 && tile->loops() >= 1; }, 15000));
    ASSERT_FALSE(shown.empty());
    EXPECT_LE(shown.front(), 2);   // the first frame, or close to it when the machine is busy
    const QImage frame = tile->frame();
    EXPECT_EQ(frame.width(), 128);   // covers 128 x 64 keeping 16:9
    EXPECT_EQ(frame.height(), 72);
    tile->stop();
    EXPECT_EQ(TilePlayer::active(), 0);
}

TEST(FrameViews, FillCropAndLetThePointerThrough)
{
    // A source whose left half is red and right half blue, twice as wide as the view.
    class StillSource : public FrameSource {
    public:
        void put(const QImage &image) { showFrame(image); }
    } source;
    QImage image(200, 100, QImage::Format_RGBA8888);
    image.fill(Qt::red);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            image.setPixelColor(x, y, Qt::blue);
    source.put(image);

    TilePlayerView view;
    view.resize(100, 100);
    view.setPlayer(&source);
    EXPECT_EQ(source.targetSize(), QSize(100, 100) * view.devicePixelRatioF());
    EXPECT_TRUE(view.testAttribute(Qt::WA_TransparentForMouseEvents));
    const QImage shown = view.grab().toImage();
    // Scaled to fill the height, the middle of the picture is in view: red then blue.
    EXPECT_EQ(shown.pixelColor(10, 50), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(90, 50), QColor(Qt::blue));

    PreviewLayer layer;
    EXPECT_EQ(layer.source(), PreviewPlayer::source());
}

TEST(PlayerSurfaceTest, PlaysAClipWithControlsAndGrading)
{
    auto *player = makeMediaPlayer(nullptr);
    std::unique_ptr<QMediaPlayer> owned(player);
    ASSERT_TRUE(player->audioOutput());
    PlayerSurface surface;
    surface.resize(640, 360);
    surface.setPlayer(player);
    surface.setPlayer(player);   // the same player again changes nothing
    EXPECT_EQ(player->videoSink() != nullptr, true);
    // The pattern's lower half is one grey of 40 + 25 x (frame % 8): 40 to 215 as
    // recorded. The D-Log grade sends 40 to about 22 and 190 and 215 to about 234 and
    // 254, outside anything the plain clip shows.
    auto lowerGrey = [](const QImage &frame) { return frame.pixelColor(frame.width() / 2, frame.height() * 3 / 4).green(); };
    int plainLow = 255, plainHigh = 0;
    bool gradedSeen = false, grading = false;
    QObject::connect(&surface, &PlayerSurface::frameShown, [&] {
        const int grey = lowerGrey(surface.currentFrame());
        if (!grading) {
            plainLow = std::min(plainLow, grey);
            plainHigh = std::max(plainHigh, grey);
        } else if (grey <= 28 || grey >= 228) {
            gradedSeen = true;
        }
    });
    player->setLoops(QMediaPlayer::Infinite);
    player->setSource(QUrl::fromLocalFile(clipPath(4.0)));
    player->play();
    const bool played = QTest::qWaitFor([&] { return surface.framesShown() >= 3; }, 15000);
    if (!played && player->error() != QMediaPlayer::NoError)
        GTEST_SKIP() << "Qt Multimedia cannot play here: " << player->errorString().toStdString();
    ASSERT_TRUE(played);
    EXPECT_GE(frameNumber(surface.currentFrame()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->position() > 0; }, 10000));
    EXPECT_GE(plainLow, 32);
    EXPECT_LE(plainHigh, 224);

    surface.setCube(LUTEngine::dLog());
    const qint64 before = surface.framesShown();
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.framesShown() >= before + 2; }, 15000));
    grading = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return gradedSeen; }, 15000));
    player->stop();
    surface.setPlayer(nullptr);
    EXPECT_EQ(player->videoSink(), nullptr);
}
