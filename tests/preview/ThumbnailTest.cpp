// Thumbnails: the gate's order and hand-over, where the frame is taken, the embedded
// cover first, grading, bad files, the cache and cancellation.
#include "preview/CoverGate.h"
#include "preview/CoverLoader.h"
#include "preview/FrameGrab.h"
#include "preview/LUTEngine.h"
#include "VideoClips.h"
#include "preview/VideoDecoder.h"

#include <QCoreApplication>
#include <QTransform>

using namespace vidorra;
using namespace vidorra::test;

namespace {

class Thumbnails : public ::testing::Test {
protected:
    void SetUp() override { CoverLoader::clearCache(); }

    QString clip(const QString &name, const fixture::ClipSpec &spec)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(fixture::writeClip(path, spec));
        return path;
    }
    // Placeholder media bytes: any picture at all must come from the cover.
    QString coverClip(const QString &name, int width, int height)
    {
        fixture::ClipSpec spec;
        spec.cover = fixture::sampleCoverJpeg(width, height);
        return clip(name, spec);
    }

    // Waits for one load's result, which must arrive on this thread.
    static std::optional<QImage> loadAndWait(const QString &path, double duration, const CubePtr &cube = {})
    {
        QObject receiver;
        std::optional<std::optional<QImage>> result;
        CoverLoader::load(path, duration, cube, &receiver, [&](const std::optional<QImage> &image) {
            EXPECT_EQ(QThread::currentThread(), receiver.thread());
            result = image;
        });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); }));
        return result.value_or(std::nullopt);
    }

    // Takes every slot of the loader's gate, or gives `n` back.
    static void fillGate() { for (int i = 0; i < 4; ++i) gate.enter([] {}); }
    static void leaveGate(int n = 4) { for (int i = 0; i < n; ++i) gate.leave(); }

    static inline CoverGate &gate = CoverLoader::gate();
    QTemporaryDir dir;
};

} // namespace

TEST(CoverGate, FourRunTheRestWaitInOrderAndTakeTheSlotHandedOver)
{
    CoverGate gate(4);
    std::vector<int> admitted;
    for (int i = 0; i < 6; ++i)
        gate.enter([&admitted, i] { admitted.push_back(i); });
    EXPECT_EQ(admitted, (std::vector<int>{0, 1, 2, 3}));
    gate.leave();   // handed straight to the fifth
    EXPECT_EQ(admitted.back(), 4);
    // A newcomer after the hand-over waits behind the sixth: the slot went to the waiter.
    gate.enter([&admitted] { admitted.push_back(6); });
    EXPECT_EQ(gate.waiting(), 2);
    for (int i = 0; i < 6; ++i)
        gate.leave();
    EXPECT_EQ(admitted, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(gate.free(), 4);
}

TEST_F(Thumbnails, FrameFromTheKeyFrameNearestTheCoverTimeFittedAndUpright)
{
    // A tenth of the duration, never past a second; nothing odd for odd durations.
    for (double odd : {0.0, -3.0, std::nan("")})
        EXPECT_DOUBLE_EQ(coverFrameTime(odd), 0.0) << odd;

    // Key frames every 10 frames (one a second). 0.05 s and 0.4 s are nearest frame 0;
    // 0.7 s (a 7 s clip) and 1.0 s (a 60 s clip) are nearest frame 10.
    const struct { double duration; int frame; } cases[] = {{0.5, 0}, {4.0, 0}, {7.0, 10}, {60.0, 10}};
    for (const auto &c : cases) {
        const std::optional<QImage> image = grabFrame(clipPath(c.duration), coverFrameTime(c.duration));
        ASSERT_TRUE(image) << c.duration;
        EXPECT_EQ(frameNumber(*image), c.frame) << c.duration;
        EXPECT_EQ(image->size(), QSize(320, 180));   // never enlarged
    }

    // Larger frames fit inside the box keeping their aspect, and turned ones come upright.
    fixture::ClipSpec wide = videoSpec(2.0), turned = videoSpec(2.0);
    wide.videoWidth = 1280;
    wide.videoHeight = 720;
    EXPECT_EQ(grabFrame(clip(QStringLiteral("wide.mp4"), wide), 0.0).value_or(QImage()).size(), QSize(520, 293));
    turned.rotation = 90;
    const QImage upright = grabFrame(clip(QStringLiteral("turned.mp4"), turned), 0.0).value_or(QImage());
    EXPECT_EQ(upright.size(), QSize(180, 320));
    // Turning it back the other way gives the pattern as it was drawn.
    EXPECT_EQ(frameNumber(upright.transformed(QTransform().rotate(-90))), 0);
}

// The sample card's portrait and small clips crashed the window: swscale wrote past the
// end of rows whose width is not a multiple of its block size. The library is not
// instrumented, but the C library's heap checks abort on the overwritten memory.
TEST_F(Thumbnails, EveryBoxWidthScalesInsideThePicture)
{
    fixture::ClipSpec portrait = videoSpec(1.0);
    portrait.videoWidth = 216;
    portrait.videoHeight = 384;
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(clip(QStringLiteral("portrait.mp4"), portrait)));
    ASSERT_TRUE(decoder.next());
    for (int width = 1; width <= 97; width += 3) {
        for (VideoDecoder::Scale scale : {VideoDecoder::Scale::Fit, VideoDecoder::Scale::Fill}) {
            const QImage image = decoder.image(QSize(width, width * 9 / 16 + 1), scale);
            ASSERT_FALSE(image.isNull()) << width;
            EXPECT_TRUE(image.width() >= 1 && image.width() <= 216) << width;
        }
    }
}

TEST_F(Thumbnails, EmbeddedCoverComesFirstAndIsGraded)
{
    const QString small = coverClip(QStringLiteral("small.mp4"), 160, 90);
    const std::optional<QImage> plain = CoverLoader::render(small, 2.0, nullptr);
    const std::optional<QImage> graded = CoverLoader::render(small, 2.0, LUTEngine::dLog().get());
    ASSERT_TRUE(plain && graded);
    EXPECT_EQ(*graded, *LUTEngine::dLog()->apply(*plain));

    // A cover that does not decode falls through to the video.
    fixture::ClipSpec broken = videoSpec(2.0);
    broken.cover = QByteArray("\xFF\xD8 not really a picture");
    const QString fallback = clip(QStringLiteral("broken.mp4"), broken);
    EXPECT_EQ(frameNumber(CoverLoader::render(fallback, 2.0, nullptr).value_or(QImage())), 0);
}

TEST_F(Thumbnails, BadFilesGiveNothingAndNothingIsCached)
{
    const QString blank = clip(QStringLiteral("blank.mp4"), fixture::ClipSpec{});   // placeholder media
    const QString truncated = clip(QStringLiteral("truncated.mp4"), videoSpec(4.0));
    ASSERT_TRUE(QFile::resize(truncated, QFile(truncated).size() / 2));   // the index at the end is gone
    for (const QString &path : {blank, truncated, dir.filePath(QStringLiteral("missing.mp4"))}) {
        EXPECT_FALSE(loadAndWait(path, 4.0)) << path.toStdString();
        EXPECT_FALSE(CoverLoader::cached(path, nullptr));
    }
    EXPECT_EQ(gate.free(), 4);

    // Once the file has a picture, the next call finds it: the failure was not kept.
    coverClip(QStringLiteral("blank.mp4"), 64, 36);
    EXPECT_TRUE(loadAndWait(blank, 2.0));
}

TEST_F(Thumbnails, CacheHitsSkipTheGateAndEachTableHasItsOwnEntry)
{
    const QString path = clipPath(4.0);
    const std::optional<QImage> plain = loadAndWait(path, 4.0), graded = loadAndWait(path, 4.0, LUTEngine::general());
    ASSERT_TRUE(plain && graded);
    EXPECT_NE(*plain, *graded);   // the graded load did not get the plain picture back

    // With every slot taken, hits still come back at once, before load returns.
    fillGate();
    std::optional<QImage> hit;
    CoverLoader::load(path, 4.0, LUTEngine::general(), nullptr, [&](const std::optional<QImage> &i) { hit = i; });
    EXPECT_EQ(hit, graded);
    EXPECT_EQ(gate.waiting(), 0);
    leaveGate();
}

TEST_F(Thumbnails, QuittingDropsTheQueuedLoadsSoOnlyThoseInHandAreWaitedFor)
{
    const QString path = clipPath(2.0);
    fillGate();   // four loads in hand
    QObject receiver;
    int delivered = 0;
    for (int i = 0; i < 100; ++i)
        CoverLoader::load(path, 2.0, nullptr, &receiver, [&](const std::optional<QImage> &) { ++delivered; });
    EXPECT_EQ(gate.waiting(), 100);
    CoverLoader::abandonPending();
    EXPECT_EQ(gate.waiting(), 0);
    leaveGate();   // the loads in hand end and admit nobody
    EXPECT_EQ(gate.free(), 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

TEST_F(Thumbnails, CancelledCallerWaitsItsTurnThenHandsTheSlotOn)
{
    const QString path = clipPath(2.0);
    fillGate();
    bool called = false;
    auto request = CoverLoader::load(path, 2.0, nullptr, nullptr, [&](const std::optional<QImage> &) { called = true; });
    std::vector<int> after;
    gate.enter([&] { after.push_back(1); });   // a later caller, queued behind
    request->cancel();
    gate.leave();   // the cancelled load gets the slot and passes it straight on
    EXPECT_EQ(after, std::vector<int>{1});
    EXPECT_EQ(gate.free() + gate.waiting(), 0);
    leaveGate();

    // A receiver that goes away while waiting counts as cancelled too.
    fillGate();
    auto *receiver = new QObject;
    CoverLoader::load(path, 2.0, nullptr, receiver, [&](const std::optional<QImage> &) { called = true; });
    delete receiver;
    gate.leave();
    EXPECT_EQ(gate.free(), 1);
    leaveGate(3);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_FALSE(CoverLoader::cached(path, nullptr));

    // Cancelled while waiting, loads stop watching their receiver at once: a card that
    // scrolls past many times keeps no connection for each.
    struct Card : QObject {
        int watchers() const { return receivers(SIGNAL(destroyed(QObject *))); }
    } card;
    fillGate();
    const int watchers = card.watchers();
    for (int i = 0; i < 50; ++i)
        CoverLoader::load(path, 2.0, nullptr, &card, [&](const std::optional<QImage> &) { called = true; })->cancel();
    EXPECT_EQ(card.watchers(), watchers);
    leaveGate();
    EXPECT_EQ(gate.free(), 4);
    EXPECT_FALSE(called);
}
