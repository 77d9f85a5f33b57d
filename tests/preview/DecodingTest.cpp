// The decoders themselves: the graphics hardware taken where it decodes and given up
// per clip, with the same pictures, wherever it does not; key frames alone; memory that
// stays where it is however long a decoder runs.
#include "DecodeBudget.h"
#include "FrameGrab.h"
#include "HardwareDecoding.h"
#include "VideoClips.h"
#include "VideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QFile>
#include <unistd.h>

using namespace vidorra;
using namespace vidorra::test;

namespace {

// Stands in for a graphics device: the decoding itself stays in software, but frames
// count as lying on the device, so they go through the download a real one needs.
class FakeDevice : public HardwareDevice {
public:
    enum class Fault { None, TakesNoStream, FailsOnFirstFrame, DownloadFails };
    explicit FakeDevice(Fault fault) : fault(fault) {}

    QString name() const override { return QStringLiteral("Fake"); }
    bool attach(AVCodecContext *context, const AVCodec *) override
    {
        if (fault == Fault::TakesNoStream)
            return false;
        if (fault == Fault::FailsOnFirstFrame)   // as a driver that cannot set the stream up
            context->get_format = [](AVCodecContext *, const AVPixelFormat *) { return AV_PIX_FMT_NONE; };
        return true;
    }
    bool holds(const AVFrame *) const override { return true; }
    bool download(const AVFrame *frame, AVFrame *out) override
    {
        ++downloads;
        return fault != Fault::DownloadFails && av_frame_ref(out, frame) == 0;
    }

    const Fault fault;
    int downloads = 0;
};

// Puts a device opener in place for one scope.
struct DeviceInPlace {
    explicit DeviceInPlace(DeviceOpener open) { setHardwareDeviceOpener(std::move(open)); }
    ~DeviceInPlace() { setHardwareDeviceOpener({}); }
};

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1 << 20) : 0.0;
}

} // namespace

TEST(HardwareDecoding, TakenWhereItDecodesElseSoftwarePerClipWithTheSamePictures)
{
    const QString path = clipPath(2.0);
    VideoDecoder software;
    ASSERT_TRUE(software.open(path, VideoDecoder::Options{1, true, false}));
    ASSERT_EQ(software.keyFrame(1.0), 1.0);
    const QImage reference = software.image(QSize(160, 90));
    EXPECT_EQ(software.decoderName(), QStringLiteral("software"));

    using Fault = FakeDevice::Fault;
    const struct { const char *what; std::optional<Fault> fault; QString decoder, note; } cases[] = {
        {"no device", std::nullopt, QStringLiteral("software"), QStringLiteral("no device here")},
        {"working device", Fault::None, QStringLiteral("Fake"), QString()},
        {"codec not taken", Fault::TakesNoStream, QStringLiteral("software"), QStringLiteral("Fake does not decode h264")},
        {"fails on the first frame", Fault::FailsOnFirstFrame, QStringLiteral("software"),
         QStringLiteral("Fake failed on the first picture")},
        {"download fails", Fault::DownloadFails, QStringLiteral("software"), QStringLiteral("Fake failed on the first picture")},
    };
    for (const auto &c : cases) {
        std::shared_ptr<FakeDevice> device = c.fault ? std::make_shared<FakeDevice>(*c.fault) : nullptr;
        const DeviceInPlace inPlace([device](QString *why) -> std::shared_ptr<HardwareDevice> {
            if (!device && why)
                *why = QStringLiteral("no device here");
            return device;
        });
        // A key frame alone, then frames in order from a seek: both as in software.
        VideoDecoder decoder;
        ASSERT_TRUE(decoder.open(path)) << c.what;
        ASSERT_EQ(decoder.keyFrame(1.0), 1.0) << c.what;
        EXPECT_EQ(decoder.image(QSize(160, 90)), reference) << c.what;
        EXPECT_EQ(decoder.decoderName(), c.decoder) << c.what;
        EXPECT_EQ(decoder.hardwareNote(), c.note) << c.what;
        decoder.seek(0.5);
        EXPECT_EQ(decoder.decodeTo(0.5, 0.04), 0.5) << c.what;
        EXPECT_EQ(frameNumber(decoder.image(QSize(160, 90))), 5) << c.what;

        // The thumbnail path falls back the same way, from the decoder's first picture.
        VideoDecoder fresh;
        ASSERT_TRUE(fresh.open(path)) << c.what;
        EXPECT_EQ(fresh.next(), 0.0) << c.what;
        EXPECT_EQ(fresh.decoderName(), c.decoder) << c.what;
        EXPECT_EQ(frameNumber(grabFrame(path, 1.0).value_or(QImage())), 10) << c.what;
        if (device && c.decoder == QLatin1String("Fake")) {
            EXPECT_GT(device->downloads, 0);
        }
    }
}

TEST(DecoderMemory, TwoHundredLoopsOfOneDecoderAndOfShortLivedOnesKeepResidentMemoryFlat)
{
    // A leaked picture per loop would be 0.35 MB here, 70 MB over the run.
    fixture::ClipSpec spec = videoSpec(1.0);
    spec.videoWidth = 640;
    spec.videoHeight = 360;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("loop.mp4"));
    ASSERT_TRUE(fixture::writeClip(path, spec));

    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(path));
    auto playThrough = [&] {
        decoder.seek(0.0);
        int frames = 0;
        while (decoder.next()) {
            decoder.image(QSize(160, 90), VideoDecoder::Scale::Fill);
            ++frames;
        }
        decoder.keyFrame(0.0);
        return frames;
    };
    auto grab = [&] { return grabFrame(path, 0.0, QSize(160, 90)).has_value(); };
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(playThrough(), 10);
        ASSERT_TRUE(grab());
    }
    const double before = residentMiB();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(playThrough(), 10);
        ASSERT_TRUE(grab());
    }
#if !defined(__SANITIZE_ADDRESS__)   // its quarantine keeps what was freed, by design
    EXPECT_LT(residentMiB() - before, 6.0) << before << " MiB before";
#endif
    EXPECT_EQ(DecodeBudget::shortLived().held(), 0);
}

TEST(DecoderMemory, BudgetLetsAnOversizedRequestThroughAloneAndWaitersInWhenFreed)
{
    DecodeBudget budget(100);
    budget.take(250);   // larger than the whole budget: it would wait forever otherwise
    EXPECT_FALSE(budget.tryTake(1));
    budget.give(250);
    EXPECT_TRUE(budget.tryTake(60));
    EXPECT_FALSE(budget.tryTake(60));
    std::atomic<bool> admitted{false};
    std::thread waiter([&] {
        budget.take(60);
        admitted = true;
    });
    budget.give(60);
    EXPECT_TRUE(waitFor([&] { return admitted.load(); }));
    waiter.join();
    EXPECT_EQ(budget.held(), 60);
}
