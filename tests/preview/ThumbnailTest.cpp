// Thumbnails: the gate's order and hand-over, where the frame is taken, the embedded
// cover first, grading, the cache and cancellation.
#include "Cover.h"
#include "CoverGate.h"
#include "CoverLoader.h"
#include "FrameGrab.h"
#include "VideoDecoder.h"
#include "LUTEngine.h"

#include <ClipFixture.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace vidorra;

namespace {

class Thumbnails : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        CoverLoader::clearCache();
    }

    QString clip(const QString &name, fixture::ClipSpec spec)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(fixture::writeClip(path, spec));
        return path;
    }

    // A small real-video clip: 10 frames a second, a key frame every second.
    static fixture::ClipSpec video(double duration, int rotation = 0)
    {
        fixture::ClipSpec spec;
        spec.realVideo = true;
        spec.width = 1280;
        spec.height = 720;
        spec.videoWidth = 320;
        spec.videoHeight = 180;
        spec.fps = 10;
        spec.timescale = 10000;
        spec.duration = duration;
        spec.rotation = rotation;
        return spec;
    }

    // Waits for one load's result on this thread.
    static std::optional<QImage> loadAndWait(const QString &path, double duration, const CubePtr &cube)
    {
        QObject receiver;
        bool done = false;
        std::optional<QImage> result;
        CoverLoader::load(path, duration, cube, &receiver, [&](const std::optional<QImage> &image) {
            result = image;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
        return result;
    }

    QTemporaryDir dir;
};

int numberOf(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return fixture::frameNumberOf(rgba.constBits(), rgba.width(), rgba.height(), rgba.bytesPerLine());
}

} // namespace

TEST(CoverGate, FiveLoadsFourRunTheFifthWaitsForAHandOver)
{
    CoverGate gate(4);
    std::vector<int> admitted;
    for (int i = 0; i < 5; ++i)
        gate.enter([&admitted, i] { admitted.push_back(i); });
    EXPECT_EQ(admitted, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(gate.free(), 0);
    EXPECT_EQ(gate.waiting(), 1);

    gate.leave();   // handed straight to the fifth
    EXPECT_EQ(admitted.back(), 4);
    EXPECT_EQ(gate.free(), 0);
    EXPECT_EQ(gate.waiting(), 0);

    // A newcomer after the hand-over waits: the slot went to the waiter, not to free.
    gate.enter([&admitted] { admitted.push_back(5); });
    EXPECT_EQ(admitted.size(), 5u);
    EXPECT_EQ(gate.waiting(), 1);
    gate.leave();
    EXPECT_EQ(admitted.back(), 5);
    for (int i = 0; i < 4; ++i)
        gate.leave();
    EXPECT_EQ(gate.free(), 4);
}

TEST(CoverGate, WaitersAreServedInArrivalOrder)
{
    CoverGate gate(4);
    std::vector<int> admitted;
    for (int i = 0; i < 12; ++i)
        gate.enter([&admitted, i] { admitted.push_back(i); });
    for (int i = 0; i < 8; ++i)
        gate.leave();
    std::vector<int> expected(12);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(admitted, expected);
    EXPECT_EQ(gate.free(), 0);
}

TEST(CoverGate, ManyThreadsNeverExceedFourAndNoSlotLeaks)
{
    CoverGate gate(4);
    std::atomic<int> running{0}, most{0}, finished{0};
    constexpr int loads = 64;
    std::vector<std::thread> threads;
    std::mutex workMutex;
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < loads / 8; ++i) {
                gate.enter([&] {
                    // Like the loader: the work runs detached and leaves when done.
                    std::lock_guard lock(workMutex);
                    workers.emplace_back([&] {
                        const int now = ++running;
                        int seen = most.load();
                        while (now > seen && !most.compare_exchange_weak(seen, now)) {}
                        std::this_thread::yield();
                        --running;
                        ++finished;
                        gate.leave();
                    });
                });
            }
        });
    }
    for (auto &t : threads)
        t.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == loads; }, 20000));
    {
        std::lock_guard lock(workMutex);
        for (auto &w : workers)
            w.join();
    }
    EXPECT_LE(most.load(), 4);
    EXPECT_EQ(gate.free(), 4);
    EXPECT_EQ(gate.waiting(), 0);
}

TEST(FrameTime, ATenthOfTheDurationNeverPastOneSecond)
{
    EXPECT_DOUBLE_EQ(coverFrameTime(0.5), 0.05);
    EXPECT_DOUBLE_EQ(coverFrameTime(4.0), 0.4);
    EXPECT_DOUBLE_EQ(coverFrameTime(10.0), 1.0);
    EXPECT_DOUBLE_EQ(coverFrameTime(60.0), 1.0);
    EXPECT_DOUBLE_EQ(coverFrameTime(0.0), 0.0);
    EXPECT_DOUBLE_EQ(coverFrameTime(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(coverFrameTime(std::nan("")), 0.0);
}

TEST_F(Thumbnails, FrameComesFromTheKeyFrameNearestTheCoverTime)
{
    // Key frames every 10 frames (one a second). 0.05 s and 0.4 s are nearest frame 0;
    // 0.7 s (a 7 s clip) and 1.0 s (a 60 s clip) are nearest frame 10.
    const struct { double duration; int frame; } cases[] = {{0.5, 0}, {4.0, 0}, {7.0, 10}, {60.0, 10}};
    for (const auto &c : cases) {
        const QString path = clip(QStringLiteral("clip_%1.mp4").arg(c.duration), video(c.duration));
        const std::optional<QImage> image = grabFrame(path, coverFrameTime(c.duration));
        ASSERT_TRUE(image) << c.duration;
        EXPECT_EQ(numberOf(*image), c.frame) << c.duration;
        EXPECT_EQ(image->size(), QSize(320, 180));   // never enlarged
    }
}

TEST_F(Thumbnails, FrameFitsInsideTheBoxUprightAndKeepsItsAspect)
{
    fixture::ClipSpec wide = video(2.0);
    wide.videoWidth = 1280;
    wide.videoHeight = 720;
    const std::optional<QImage> fitted = grabFrame(clip(QStringLiteral("wide.mp4"), wide), 0.0);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->size(), QSize(520, 293));

    const std::optional<QImage> turned = grabFrame(clip(QStringLiteral("turned.mp4"), video(2.0, 90)), 0.0);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->size(), QSize(180, 320));
    // Turning it back the other way gives the pattern as it was drawn.
    EXPECT_EQ(numberOf(turned->transformed(QTransform().rotate(-90))), 0);
}

// The sample card's portrait and small clips crashed the window: swscale wrote past the
// end of rows whose width is not a multiple of its block size. The library is not
// instrumented, but the C library's heap checks abort on the overwritten memory.
TEST_F(Thumbnails, EveryBoxWidthScalesInsideThePicture)
{
    fixture::ClipSpec portrait = video(1.0);
    portrait.videoWidth = 216;
    portrait.videoHeight = 384;
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(clip(QStringLiteral("portrait.mp4"), portrait)));
    ASSERT_TRUE(decoder.next());
    for (int width = 1; width <= 97; width += 3) {
        for (VideoDecoder::Scale scale : {VideoDecoder::Scale::Fit, VideoDecoder::Scale::Fill}) {
            const QImage image = decoder.image(QSize(width, width * 9 / 16 + 1), scale);
            ASSERT_FALSE(image.isNull()) << width;
            EXPECT_LE(image.width(), 216);
            EXPECT_GE(image.width(), 1);
        }
    }
}

TEST_F(Thumbnails, EmbeddedCoverComesFirstAndIsGraded)
{
    // Placeholder media bytes: any picture at all must come from the cover.
    fixture::ClipSpec spec;
    spec.cover = fixture::sampleCoverJpeg(160, 90);
    const QString small = clip(QStringLiteral("small.mp4"), spec);
    const std::optional<QImage> plain = CoverLoader::render(small, 2.0, nullptr);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), QSize(160, 90));
    EXPECT_EQ(readCover(small)->size(), QSize(160, 90));

    const CubePtr cube = LUTEngine::dLog();
    const std::optional<QImage> graded = CoverLoader::render(small, 2.0, cube.get());
    ASSERT_TRUE(graded);
    EXPECT_EQ(*graded, *cube->apply(*plain));
    EXPECT_NE(graded->convertToFormat(QImage::Format_RGBA8888), plain->convertToFormat(QImage::Format_RGBA8888));

    spec.cover = fixture::sampleCoverJpeg(1600, 900);
    const std::optional<QImage> big = CoverLoader::render(clip(QStringLiteral("big.mp4"), spec), 2.0, nullptr);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), QSize(520, 293));

    // A cover that does not decode falls through to the video.
    fixture::ClipSpec broken = video(2.0);
    broken.cover = QByteArray("\xFF\xD8 not really a picture");
    const std::optional<QImage> fallback = CoverLoader::render(clip(QStringLiteral("broken.mp4"), broken), 2.0, nullptr);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(numberOf(*fallback), 0);
}

TEST_F(Thumbnails, NothingForAFileWithoutPictureAndNothingCached)
{
    fixture::ClipSpec spec;   // placeholder media, no cover
    const QString path = clip(QStringLiteral("blank.mp4"), spec);
    EXPECT_FALSE(loadAndWait(path, 2.0, nullptr));
    EXPECT_FALSE(CoverLoader::cached(path, nullptr));
    EXPECT_FALSE(loadAndWait(dir.filePath(QStringLiteral("missing.mp4")), 2.0, nullptr));
    EXPECT_EQ(CoverLoader::gate().free(), 4);

    // Once the file has a picture, the next call finds it: the failure was not kept.
    spec.cover = fixture::sampleCoverJpeg(64, 36);
    clip(QStringLiteral("blank.mp4"), spec);
    EXPECT_TRUE(loadAndWait(path, 2.0, nullptr));
}

TEST_F(Thumbnails, CacheHitsSkipTheGateAndTablesHaveTheirOwnEntries)
{
    const QString path = clip(QStringLiteral("cached.mp4"), video(4.0));
    const CubePtr cube = LUTEngine::general();
    const std::optional<QImage> plain = loadAndWait(path, 4.0, nullptr);
    const std::optional<QImage> graded = loadAndWait(path, 4.0, cube);
    ASSERT_TRUE(plain && graded);
    EXPECT_NE(*plain, *graded);
    EXPECT_EQ(CoverLoader::cacheKey(path, cube.get()), path + QLatin1Char('.') + cube->id());
    EXPECT_EQ(CoverLoader::cacheKey(path, nullptr), path);

    // With every slot taken, hits still come back at once, before load returns.
    CoverGate &gate = CoverLoader::gate();
    for (int i = 0; i < 4; ++i)
        gate.enter([] {});
    ASSERT_EQ(gate.free(), 0);
    std::optional<QImage> hitPlain, hitGraded;
    CoverLoader::load(path, 4.0, nullptr, nullptr, [&](const std::optional<QImage> &i) { hitPlain = i; });
    CoverLoader::load(path, 4.0, cube, nullptr, [&](const std::optional<QImage> &i) { hitGraded = i; });
    EXPECT_EQ(hitPlain, plain);
    EXPECT_EQ(hitGraded, graded);
    EXPECT_EQ(gate.waiting(), 0);

    // Another table is another entry: that load has to queue.
    bool other = false;
    CoverLoader::load(path, 4.0, LUTEngine::dLog2(), nullptr, [&](const std::optional<QImage> &) { other = true; });
    EXPECT_EQ(gate.waiting(), 1);
    for (int i = 0; i < 4; ++i)
        gate.leave();
    EXPECT_TRUE(QTest::qWaitFor([&] { return other; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return gate.free() == 4; }, 20000));
}

TEST_F(Thumbnails, CancelledCallerWaitsItsTurnThenHandsTheSlotOn)
{
    const QString path = clip(QStringLiteral("cancel.mp4"), video(2.0));
    CoverGate &gate = CoverLoader::gate();
    for (int i = 0; i < 4; ++i)
        gate.enter([] {});
    bool called = false;
    auto request = CoverLoader::load(path, 2.0, nullptr, nullptr, [&](const std::optional<QImage> &) { called = true; });
    std::vector<int> after;
    gate.enter([&] { after.push_back(1); });   // a later caller, queued behind
    request->cancel();
    EXPECT_EQ(gate.waiting(), 2);

    gate.leave();   // the cancelled load gets the slot and passes it straight on
    EXPECT_EQ(after, std::vector<int>{1});
    EXPECT_EQ(gate.free(), 0);
    EXPECT_EQ(gate.waiting(), 0);
    for (int i = 0; i < 4; ++i)
        gate.leave();
    EXPECT_EQ(gate.free(), 4);

    // A receiver that goes away while waiting counts as cancelled too.
    for (int i = 0; i < 4; ++i)
        gate.enter([] {});
    auto *receiver = new QObject;
    CoverLoader::load(path, 2.0, nullptr, receiver, [&](const std::optional<QImage> &) { called = true; });
    delete receiver;
    gate.leave();
    EXPECT_EQ(gate.free(), 1);
    for (int i = 0; i < 3; ++i)
        gate.leave();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_FALSE(CoverLoader::cached(path, nullptr));
}

TEST_F(Thumbnails, ManyLoadsAtOnceAllArriveOnTheCallersThread)
{
    std::vector<QString> paths;
    for (int i = 0; i < 9; ++i) {
        fixture::ClipSpec spec = i % 2 ? video(1.0 + i) : fixture::ClipSpec{};
        if (i % 2 == 0)
            spec.cover = fixture::sampleCoverJpeg(96 + i, 54);
        paths.push_back(clip(QStringLiteral("many_%1.mp4").arg(i), spec));
    }
    QObject receiver;
    int arrived = 0, pictures = 0;
    for (const QString &path : paths) {
        CoverLoader::load(path, 3.0, nullptr, &receiver, [&](const std::optional<QImage> &image) {
            EXPECT_EQ(QThread::currentThread(), receiver.thread());
            ++arrived;
            pictures += image.has_value();
        });
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return arrived == 9; }, 30000));
    EXPECT_EQ(pictures, 9);
    EXPECT_TRUE(QTest::qWaitFor([] { return CoverLoader::gate().free() == 4; }, 20000));
}
