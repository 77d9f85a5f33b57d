// The decoders themselves: the graphics hardware taken where it decodes and given up
// per clip, with the same pictures, wherever it does not; key frames alone; memory that
// stays where it is however long a decoder runs.
#include "preview/DecodeBudget.h"
#include "preview/FrameGrab.h"
#include "preview/HardwareDecoding.h"
#include "VideoClips.h"
#include "preview/VideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
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

// A numbered 320x180 H.264 clip at 10 fps with B-frames and a key frame every second,
// written by FFmpeg's own MP4 muxer: its index lists decoding times that run ahead of the
// presentation times by the reordering delay, as in cameras' and encoders' files.
bool writeReorderedClip(const QString &path, int frames)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    AVFormatContext *out = nullptr;
    if (!codec || avformat_alloc_output_context2(&out, nullptr, "mp4", path.toUtf8().constData()) < 0)
        return false;
    AVCodecContext *enc = avcodec_alloc_context3(codec);
    enc->width = 320;
    enc->height = 180;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1, 10};
    enc->framerate = {10, 1};
    enc->gop_size = enc->keyint_min = 10;
    enc->max_b_frames = 2;
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(enc->priv_data, "preset", "ultrafast", 0);
    av_opt_set(enc->priv_data, "x264-params", "bframes=2:b-adapt=0:scenecut=0:log=-1", 0);
    AVStream *stream = avformat_new_stream(out, nullptr);
    bool ok = avcodec_open2(enc, codec, nullptr) == 0 && avcodec_parameters_from_context(stream->codecpar, enc) >= 0;
    stream->time_base = enc->time_base;
    ok = ok && avio_open(&out->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
    AVFrame *frame = av_frame_alloc();
    frame->format = enc->pix_fmt;
    frame->width = enc->width;
    frame->height = enc->height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    QImage rgba(320, 180, QImage::Format_RGBA8888);
    SwsContext *sws = sws_getContext(320, 180, AV_PIX_FMT_RGBA, 320, 180, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    AVPacket *packet = av_packet_alloc();
    auto drain = [&](AVFrame *in) {
        avcodec_send_frame(enc, in);
        while (ok && avcodec_receive_packet(enc, packet) == 0) {
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            ok = av_interleaved_write_frame(out, packet) >= 0;
        }
    };
    for (int i = 0; ok && i < frames; ++i) {
        fixture::drawFrame(rgba.bits(), 320, 180, rgba.bytesPerLine(), i);
        const uint8_t *src[1] = {rgba.constBits()};
        const int stride[1] = {int(rgba.bytesPerLine())};
        ok = av_frame_make_writable(frame) >= 0;
        sws_scale(sws, src, stride, 0, 180, frame->data, frame->linesize);
        frame->pts = i;
        drain(frame);
    }
    drain(nullptr);
    ok = ok && av_write_trailer(out) >= 0;
    sws_freeContext(sws);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

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

TEST(KeyFrames, FoundByPresentationTimeWhenTheIndexListsDecodingTimes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reordered.mp4"));
    if (!writeReorderedClip(path, 30))
        GTEST_SKIP() << "no H.264 encoder with B-frames here";
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(path));
    const std::vector<double> keys = decoder.keyFrames();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_DOUBLE_EQ(keys[0], 0.0);
    // Seeking to the decoding time of the key frame at 1 s landed on the one at 0 s.
    const struct { double asked; int frame; } cases[] = {{0.3, 0}, {0.8, 10}, {1.2, 10}, {2.4, 20}};
    for (const auto &c : cases) {
        ASSERT_TRUE(decoder.keyFrame(c.asked)) << c.asked;
        EXPECT_EQ(frameNumber(decoder.image({})), c.frame) << c.asked;
        EXPECT_EQ(frameNumber(grabFrame(path, c.asked).value_or(QImage())), c.frame) << c.asked;
    }
    ASSERT_TRUE(decoder.seekKeyAtOrAfter(0.5));
    ASSERT_TRUE(decoder.next());
    EXPECT_EQ(frameNumber(decoder.image({})), 10);
    decoder.seek(1.5);
    ASSERT_TRUE(decoder.decodeTo(1.5, 0.04));
    EXPECT_EQ(frameNumber(decoder.image({})), 15);
    decoder.seek(0.0);
    ASSERT_TRUE(decoder.next());
    EXPECT_EQ(frameNumber(decoder.image({})), 0);
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
        decoder.release();   // the next seek starts the decoder again
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
