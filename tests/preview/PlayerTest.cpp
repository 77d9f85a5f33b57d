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
#include <functional>

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

bool waitFor(const std::function<bool()> &condition, int ms = 10000)
{
    return QTest::qWaitFor(condition, ms);
}

class Scrub : public ::testing::Test {
protected:
    void SetUp() override { PreviewPlayer::source()->setTargetSize(QSize(160, 90)); }
    void TearDown() override
    {
        if (const auto owner = PreviewPlayer::owner())
            PreviewPlayer::stop(*owner);
        // Let an outstanding seek finish so the next test starts idle.
        EXPECT_TRUE(waitFor([] { return !PreviewPlayer::isSeeking(); }));
    }
    void startReady(const QString &path, const QUuid &owner)
    {
        PreviewPlayer::start(path, owner);
        ASSERT_TRUE(waitFor([] { return PreviewPlayer::isReady() && !PreviewPlayer::isSeeking(); }));
        issued.clear();
    }
    static bool settled() { return !PreviewPlayer::isSeeking() && !PreviewPlayer::pendingTarget(); }
    std::vector<double> seeks() const
    {
        std::vector<double> out;
        for (const QList<QVariant> &args : issued)
            out.push_back(args.at(0).toDouble());
        return out;
    }
    static int shown() { return frameNumber(PreviewPlayer::source()->frame()); }

    QSignalSpy issued{PreviewPlayer::source(), &ScrubSource::seekIssued};
    const QUuid card = QUuid::createUuid();
};

} // namespace

TEST_F(Scrub, ScrubBeforeReadyIsIssuedWhenReadyAtTheFrameAskedFor)
{
    PreviewPlayer::start(clipPath(4.0), card);
    PreviewPlayer::scrub(0.5, card);
    EXPECT_FALSE(PreviewPlayer::isReady());
    EXPECT_EQ(PreviewPlayer::pendingTarget(), 0.5);
    ASSERT_TRUE(waitFor([&] { return issued.size() == 1 && settled(); }));
    EXPECT_EQ(seeks(), std::vector<double>{2.0});
    EXPECT_EQ(shown(), 20);
    EXPECT_EQ(PreviewPlayer::source()->frame().size(), QSize(160, 90));   // decoded at the size shown
}

TEST_F(Scrub, ScrubsDuringASeekGiveOneFurtherSeekToTheLastClamped)
{
    startReady(clipPath(4.0), card);
    PreviewPlayer::scrub(-0.3, card);
    ASSERT_TRUE(PreviewPlayer::isSeeking());
    PreviewPlayer::scrub(0.2, card);
    PreviewPlayer::scrub(1.7, card);
    ASSERT_TRUE(waitFor(settled));
    EXPECT_EQ(seeks(), (std::vector<double>{0.0, 4.0}));
    EXPECT_EQ(shown(), 39);   // the last frame
}

TEST_F(Scrub, OnlyTheOwnerScrubsAndStops)
{
    const QUuid second = QUuid::createUuid();
    PreviewPlayer::scrub(0.5, card);   // nobody owns the player yet
    EXPECT_FALSE(PreviewPlayer::pendingTarget());

    startReady(clipPath(4.0), card);
    startReady(clipPath(2.0), second);   // the newer card takes over
    PreviewPlayer::stop(card);
    PreviewPlayer::scrub(0.5, card);
    EXPECT_EQ(PreviewPlayer::owner(), second);
    EXPECT_FALSE(PreviewPlayer::pendingTarget());
    EXPECT_TRUE(seeks().empty());

    PreviewPlayer::scrub(0.5, second);
    ASSERT_TRUE(waitFor(settled));
    EXPECT_EQ(shown(), 10);   // 1.0 s of the 2 s clip
    PreviewPlayer::stop(second);
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_TRUE(PreviewPlayer::source()->frame().isNull());
}

TEST_F(Scrub, FramesAreGradedWithTheTableGiven)
{
    startReady(clipPath(4.0), card);
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(waitFor(settled));
    const QImage plain = PreviewPlayer::source()->frame();
    const CubePtr cube = LUTEngine::dLog();
    PreviewPlayer::start(clipPath(4.0), card, cube);
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(waitFor([&] { return PreviewPlayer::isReady() && settled() && issued.size() == 2; }));
    EXPECT_EQ(PreviewPlayer::source()->frame(), *cube->apply(plain));
}

TEST_F(Scrub, AFileThatDoesNotOpenKeepsItsTargetPending)
{
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.mp4")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a movie at all");
    bad.close();
    PreviewPlayer::start(bad.fileName(), card);
    PreviewPlayer::scrub(0.5, card);
    // A good clip started after it opens on the same decoder thread, so once that one
    // is ready the bad one has had its chance.
    PreviewPlayer::start(clipPath(2.0), QUuid::createUuid());
    ASSERT_TRUE(waitFor(PreviewPlayer::isReady));
    EXPECT_TRUE(seeks().empty());
}

TEST(TilePlayers, TheSeventeenthFailsUntilOneStops)
{
    std::vector<std::unique_ptr<TilePlayer>> tiles;
    for (int i = 0; i < TilePlayer::limit; ++i)
        ASSERT_TRUE(tiles.emplace_back(TilePlayer::create(clipPath(2.0), 2.0)));
    EXPECT_FALSE(TilePlayer::create(clipPath(2.0), 2.0));
    tiles.front()->stop();
    tiles.front()->stop();   // a second stop frees nothing more
    EXPECT_EQ(TilePlayer::active(), 15);
    tiles.front() = TilePlayer::create(clipPath(2.0), 2.0);
    EXPECT_TRUE(tiles.front());
    EXPECT_FALSE(TilePlayer::create(clipPath(2.0), 2.0));
    for (auto &tile : tiles)
        tile->stop();
    EXPECT_EQ(TilePlayer::active(), 0);
}

TEST(TilePlayers, StartPointsAndLoopingBackToZero)
{
    // A random start that leaves at least three seconds; 0 when there is no room or
    // the duration is odd.
    const struct { double duration, file; double most; } starts[] = {
        {10.0, 10.0, 7.0}, {2.0, 2.0, 0.0}, {std::numeric_limits<double>::infinity(), 2.0, 0.0}};
    for (const auto &s : starts)
        for (int i = 0; i < (s.most > 0 ? 20 : 1); ++i) {
            auto tile = TilePlayer::create(clipPath(s.file), s.duration);
            ASSERT_TRUE(tile);
            EXPECT_GE(tile->startTime(), 0.0);
            EXPECT_LE(tile->startTime(), s.most) << s.duration;
            tile->stop();
        }

    // A short clip plays from 0, reaches its end and starts again at 0, decoded at the
    // size its view asked for.
    auto tile = TilePlayer::create(clipPath(1.0), 1.0);
    tile->setTargetSize(QSize(128, 64));
    std::vector<int> shown;
    QObject::connect(tile.get(), &FrameSource::frameChanged, [&] { shown.push_back(frameNumber(tile->frame())); });
    ASSERT_TRUE(waitFor([&] { return tile->loops() >= 1 && shown.size() >= 2 && shown.back() < 5; }, 15000));
    EXPECT_LE(shown.front(), 2);   // the first frame, or close to it when the machine is busy
    EXPECT_EQ(tile->frame().size(), QSize(128, 72));   // covers 128 x 64 keeping 16:9
    tile->stop();
}

TEST(FrameViews, FillCropAndLetThePointerThrough)
{
    // A source whose left half is red and right half blue, twice as wide as the view.
    struct StillSource : FrameSource {
        using FrameSource::showFrame;
    } source;
    QImage image(200, 100, QImage::Format_RGBA8888);
    image.fill(Qt::blue);
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 100; ++y)
            image.setPixelColor(x, y, Qt::red);
    source.showFrame(image);

    TilePlayerView view;
    view.resize(100, 100);
    view.setPlayer(&source);
    EXPECT_EQ(source.targetSize(), QSize(100, 100) * view.devicePixelRatioF());
    EXPECT_TRUE(view.testAttribute(Qt::WA_TransparentForMouseEvents));
    const QImage shown = view.grab().toImage();
    // Scaled to fill the height, the middle of the picture is in view: red then blue.
    EXPECT_EQ(shown.pixelColor(10, 50), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(90, 50), QColor(Qt::blue));
}

TEST(PlayerSurfaceTest, PlaysAClipWithControlsAndGrading)
{
    std::unique_ptr<QMediaPlayer> player(makeMediaPlayer(nullptr));
    ASSERT_TRUE(player->audioOutput());
    PlayerSurface surface;
    surface.resize(640, 360);
    surface.setPlayer(player.get());
    // The pattern's lower half is one grey of 40 + 25 x (frame % 8): 40 to 215 as
    // recorded. The D-Log grade sends 40 to about 22 and 190 and 215 to about 234 and
    // 254, outside anything the plain clip shows.
    bool grading = false, plainExtreme = false, gradedExtreme = false;
    QObject::connect(&surface, &PlayerSurface::frameShown, [&] {
        const QImage frame = surface.currentFrame();
        const int grey = frame.pixelColor(frame.width() / 2, frame.height() * 3 / 4).green();
        (grading ? gradedExtreme : plainExtreme) |= grey <= 28 || grey >= 228;
    });
    player->setLoops(QMediaPlayer::Infinite);
    player->setSource(QUrl::fromLocalFile(clipPath(4.0)));
    player->play();
    const bool played = waitFor([&] { return surface.framesShown() >= 3; }, 15000);
    if (!played && player->error() != QMediaPlayer::NoError)
        GTEST_SKIP() << "Qt Multimedia cannot play here: " << player->errorString().toStdString();
    ASSERT_TRUE(played);
    EXPECT_GE(frameNumber(surface.currentFrame()), 0);
    EXPECT_FALSE(plainExtreme);

    surface.setCube(LUTEngine::dLog());
    const qint64 before = surface.framesShown();
    ASSERT_TRUE(waitFor([&] { return surface.framesShown() >= before + 2; }, 15000));
    grading = true;
    EXPECT_TRUE(waitFor([&] { return gradedExtreme; }, 15000));
    player->stop();
    surface.setPlayer(nullptr);
    EXPECT_EQ(player->videoSink(), nullptr);
}
