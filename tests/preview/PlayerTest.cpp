// The players: scrub seeks coalesced, clamped, graded and owned; tile players capped at
// 16, starting where they should and looping to 0.
#include "preview/LUTEngine.h"
#include "preview/PreviewPlayer.h"
#include "preview/TilePlayer.h"
#include "VideoClips.h"

#include <QSignalSpy>
#include <QTemporaryFile>

using namespace vidorra;
using namespace vidorra::test;

namespace {

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
    double seek(qsizetype i) const { return issued.at(i).at(0).toDouble(); }
    static int shown() { return frameNumber(PreviewPlayer::source()->frame()); }

    QSignalSpy issued{PreviewPlayer::source(), &ScrubSource::seekIssued};
    const QUuid card = QUuid::createUuid();
};

} // namespace

TEST_F(Scrub, ScrubBeforeReadyIsIssuedWhenReadyAtTheFrameAskedFor)
{
    PreviewPlayer::start(clipPath(4.0), card);
    PreviewPlayer::scrub(0.5, card);
    EXPECT_EQ(PreviewPlayer::pendingTarget(), 0.5);   // the clip is still opening
    ASSERT_TRUE(waitFor([&] { return issued.size() == 1 && settled(); }));
    EXPECT_EQ(seek(0), 2.0);
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
    ASSERT_EQ(issued.size(), 2);
    EXPECT_EQ(seek(0), 0.0);
    EXPECT_EQ(seek(1), 4.0);
    EXPECT_EQ(shown(), 39);   // the last frame
}

TEST_F(Scrub, OnlyTheOwnerScrubsAndStops)
{
    const QUuid second = QUuid::createUuid();
    startReady(clipPath(4.0), card);
    startReady(clipPath(2.0), second);   // the newer card takes over
    PreviewPlayer::stop(card);
    PreviewPlayer::scrub(0.5, card);
    EXPECT_EQ(PreviewPlayer::owner(), second);
    EXPECT_FALSE(PreviewPlayer::pendingTarget() || PreviewPlayer::isSeeking());

    PreviewPlayer::scrub(0.5, second);
    ASSERT_TRUE(waitFor(settled));
    EXPECT_EQ(shown(), 10);   // 1.0 s of the 2 s clip
    PreviewPlayer::stop(second);
    PreviewPlayer::scrub(0.5, second);   // nobody owns the player now
    EXPECT_FALSE(PreviewPlayer::owner() || PreviewPlayer::pendingTarget());
    EXPECT_TRUE(PreviewPlayer::source()->frame().isNull());
}

TEST_F(Scrub, KeyFrameAtOnceThenTheExactFrameUnlessANewerPositionCutsItShort)
{
    startReady(clipPath(4.0), card);   // key frames every second, 10 frames a second
    std::vector<int> frames;
    std::function<void()> onFrame;
    QObject scope;   // the shared player outlives this test
    QObject::connect(PreviewPlayer::source(), &FrameSource::frameChanged, &scope, [&] {
        if (PreviewPlayer::source()->frame().isNull())
            return;
        frames.push_back(shown());
        if (onFrame)
            std::exchange(onFrame, {})();
    });
    PreviewPlayer::scrub(0.45, card);   // 1.8 s: the key frame at 2 s first
    ASSERT_TRUE(waitFor(settled));
    EXPECT_EQ(frames, (std::vector<int>{20, 18}));

    // 120 frames a second: the exact frame at 0.9 s is about 100 frames on from the key
    // frame at 0. The pointer moves on as the key frame at 1 s appears; that position gives way
    // and the newest shows its key frame, then its exact frame.
    fixture::ClipSpec fast = videoSpec(2.0);
    fast.fps = 120;
    fast.videoWidth = 1280;
    fast.videoHeight = 720;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fast.mp4"));
    ASSERT_TRUE(fixture::writeClip(path, fast));
    startReady(path, card);
    frames.clear();
    onFrame = [&] { PreviewPlayer::scrub(0.05, card); };   // 0.1 s
    PreviewPlayer::scrub(0.45, card);                       // 0.9 s
    ASSERT_TRUE(waitFor(settled));
    EXPECT_EQ(frames, (std::vector<int>{120, 0, 8}));       // 8: the first within 0.04 s
}

TEST_F(Scrub, FramesAreGradedWithTheTableGiven)
{
    startReady(clipPath(4.0), card);
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(waitFor(settled));
    const QImage plain = PreviewPlayer::source()->frame();
    PreviewPlayer::start(clipPath(4.0), card, LUTEngine::dLog());
    PreviewPlayer::scrub(0.25, card);
    ASSERT_TRUE(waitFor([&] { return PreviewPlayer::isReady() && settled() && issued.size() == 2; }));
    EXPECT_EQ(PreviewPlayer::source()->frame(), *LUTEngine::dLog()->apply(plain));
}

TEST_F(Scrub, AFileThatDoesNotOpenKeepsItsTargetPending)
{
    QTemporaryFile bad;
    ASSERT_TRUE(bad.open() && bad.write("not a movie at all") > 0 && bad.flush());
    PreviewPlayer::start(bad.fileName(), card);
    PreviewPlayer::scrub(0.5, card);
    // A good clip started after it opens on the same decoder thread, so once that one
    // is ready the bad one has had its chance.
    PreviewPlayer::start(clipPath(2.0), QUuid::createUuid());
    ASSERT_TRUE(waitFor(PreviewPlayer::isReady));
    EXPECT_TRUE(issued.isEmpty());
}

TEST(TilePlayers, CappedAtSixteenStartingInRangeAndLoopingBackToZero)
{
    std::vector<std::unique_ptr<TilePlayer>> tiles;
    for (int i = 0; i < TilePlayer::limit; ++i)
        ASSERT_TRUE(tiles.emplace_back(TilePlayer::create(clipPath(2.0), 2.0)));
    EXPECT_FALSE(TilePlayer::create(clipPath(2.0), 2.0));
    tiles.front()->stop();
    tiles.front()->stop();   // a second stop frees nothing more
    tiles.front() = TilePlayer::create(clipPath(2.0), 2.0);
    EXPECT_TRUE(tiles.front());
    EXPECT_FALSE(TilePlayer::create(clipPath(2.0), 2.0));
    for (auto &tile : tiles)
        tile->stop();
    EXPECT_EQ(TilePlayer::active(), 0);

    // A random start that leaves three seconds to play; 0 with no room or an odd duration.
    const struct { double duration, file, latest; } starts[] = {
        {10.0, 10.0, 7.0}, {2.0, 2.0, 0.0}, {std::numeric_limits<double>::infinity(), 2.0, 0.0}};
    for (const auto &s : starts)
        for (int i = 0; i < (s.latest > 0 ? 20 : 1); ++i) {
            auto tile = TilePlayer::create(clipPath(s.file), s.duration);
            ASSERT_TRUE(tile);
            EXPECT_TRUE(tile->startTime() >= 0.0 && tile->startTime() <= s.latest) << s.duration;
            tile->stop();
        }

    // A short clip plays from 0, reaches its end and starts again at 0, decoded at the
    // size its view asked for.
    auto tile = TilePlayer::create(clipPath(1.0), 1.0);
    tile->setTargetSize(QSize(128, 64));
    std::vector<int> shown;
    QObject::connect(tile.get(), &FrameSource::frameChanged, [&] { shown.push_back(frameNumber(tile->frame())); });
    ASSERT_TRUE(waitFor([&] { return tile->loops() >= 1 && shown.size() >= 2 && shown.back() < 5; }));
    EXPECT_LE(shown.front(), 2);   // the first frame, or close to it when the machine is busy
    EXPECT_EQ(tile->frame().size(), QSize(128, 72));   // covers 128 x 64 keeping 16:9
    tile->stop();
}
