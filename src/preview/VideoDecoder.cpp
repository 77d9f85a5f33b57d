#include "preview/VideoDecoder.h"

#include "preview/HardwareDecoding.h"
#include "preview/PictureScaler.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

namespace vidorra {

namespace {

// Pictures a decoder may hold at once, for its memory estimate: HEVC's references (up to
// six in practice, or stand-ins for missing ones after a seek to an open-GOP key frame)
// and the frames on their way out.
constexpr int picturesHeld = 8;

void setUpOnce()
{
    static const bool done = [] {
        // Broken or odd files are expected here and handled by the caller; the library's
        // own console messages would only be noise.
        av_log_set_level(AV_LOG_QUIET);
#if defined(__GLIBC__)
        // Picture buffers of large video (a 4K plane is 16 MB) must go back to the system
        // when a decoder closes. The C library otherwise raises its threshold for mapping
        // big blocks to the largest one freed so far and serves later pictures from its
        // heaps, which many decoding threads fragment until the process holds gigabytes.
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

struct VideoDecoder::Impl {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    const AVCodec *decoder = nullptr;
    AVFrame *frame = nullptr;     // the last frame decoded, kept when decoding ends
    AVFrame *scratch = nullptr;
    AVFrame *inMemory = nullptr;  // `frame` downloaded from the device
    AVPacket *packet = nullptr;
    PictureScaler scaler;
    Options options;
    int stream = -1;
    int rotation = 0;
    bool drained = false;       // the null packet that flushes the decoder was sent
    bool haveFrame = false;
    bool downloaded = false;    // `inMemory` holds `frame`
    bool skipNonReference = false;
    bool hardwareFailed = false;   // the device failed this stream: software from now on

    std::shared_ptr<HardwareDevice> device;   // set while the device decodes
    bool proven = false;        // the device gave a picture: failures now are the file's
    QString hardwareNote;
    int64_t lastSeek = AV_NOPTS_VALUE;        // where the last seek went, to start over there
    // Presentation timestamps of the key frames, in order. The index lists decoding
    // times, while seeking takes presentation times (see findKeys).
    std::vector<int64_t> keys;

    ~Impl()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&scratch);
        av_frame_free(&inMemory);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    AVStream *st() const { return format->streams[stream]; }

    double seconds(int64_t ts) const
    {
        if (ts == AV_NOPTS_VALUE)
            return 0.0;
        const int64_t start = st()->start_time == AV_NOPTS_VALUE ? 0 : st()->start_time;
        return double(ts - start) * av_q2d(st()->time_base);
    }

    int64_t timestamp(double secs) const
    {
        const int64_t start = st()->start_time == AV_NOPTS_VALUE ? 0 : st()->start_time;
        return start + int64_t(std::llround(std::max(0.0, secs) / av_q2d(st()->time_base)));
    }

    bool openCodec(bool hardware);
    bool seekTo(int64_t ts);
    int decodeNext();
    bool fallBackToSoftware();
    bool prove();
    void findKeys();
    std::optional<double> nearestKey(double secs) const;
};

// The index gives each key frame's decoding time; the demuxer seeks by presentation time
// and turns it into a decoding time by one shift for the whole stream (the reordering
// delay of streams with B-frames, and the edit list). The first packet shows that shift:
// its presentation time less its decoding time. Seeking to a key frame's decoding time
// as it stands would land on the key frame before it.
void VideoDecoder::Impl::findKeys()
{
    int64_t shift = 0;
    while (av_read_frame(format, packet) >= 0) {
        const bool ours = packet->stream_index == stream;
        if (ours && packet->pts != AV_NOPTS_VALUE && packet->dts != AV_NOPTS_VALUE && packet->pts > packet->dts)
            shift = packet->pts - packet->dts;
        av_packet_unref(packet);
        if (ours)
            break;
    }
    const int count = avformat_index_get_entries_count(st());
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *e = avformat_index_get_entry(st(), i);
        if (e && (e->flags & AVINDEX_KEYFRAME))
            keys.push_back(e->timestamp + shift);
    }
    seekTo(timestamp(0.0));
    lastSeek = AV_NOPTS_VALUE;
}

bool VideoDecoder::Impl::openCodec(bool hardware)
{
    avcodec_free_context(&codec);
    device.reset();
    proven = false;
    codec = avcodec_alloc_context3(decoder);
    if (!codec || avcodec_parameters_to_context(codec, st()->codecpar) < 0)
        return false;
    codec->pkt_timebase = st()->time_base;
    codec->skip_frame = skipNonReference ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    codec->thread_count = std::max(1, options.threads);
    codec->thread_type = FF_THREAD_SLICE;
    if (options.fast) {
        // Previews are shown small: deblocking is invisible there and costs a good share
        // of the decode time.
        codec->skip_loop_filter = AVDISCARD_ALL;
        codec->flags2 |= AV_CODEC_FLAG2_FAST;
    }
    if (hardware) {
        QString why;
        std::shared_ptr<HardwareDevice> candidate = hardwareDevice(&why);
        if (!candidate)
            hardwareNote = why;
        else if (!candidate->attach(codec, decoder))
            hardwareNote = QStringLiteral("%1 does not decode %2").arg(candidate->name(), QString::fromUtf8(decoder->name));
        else
            device = std::move(candidate);
    }
    if (avcodec_open2(codec, decoder, nullptr) < 0) {
        if (!device)
            return false;
        hardwareNote = QStringLiteral("%1 did not open for this stream").arg(device->name());
        return openCodec(false);
    }
    return true;
}

// Starts over in software from the last position asked for, after the device failed
// before its first picture. False when there is nothing to fall back from.
bool VideoDecoder::Impl::fallBackToSoftware()
{
    if (!device || proven)
        return false;
    const QString name = device->name();
    hardwareFailed = true;
    if (!openCodec(false))
        return false;
    hardwareNote = QStringLiteral("%1 failed on the first picture").arg(name);
    haveFrame = downloaded = false;
    drained = false;
    if (lastSeek == AV_NOPTS_VALUE)
        avformat_seek_file(format, stream, INT64_MIN, st()->start_time == AV_NOPTS_VALUE ? 0 : st()->start_time,
                           INT64_MAX, 0);
    else
        av_seek_frame(format, stream, lastSeek, AVSEEK_FLAG_BACKWARD);
    return true;
}

// The first picture from the device must reach memory; until one has, any failure sends
// the decoder back to software.
bool VideoDecoder::Impl::prove()
{
    if (!device || proven)
        return true;
    if (device->holds(frame)) {
        av_frame_unref(inMemory);
        if (!device->download(frame, inMemory))
            return false;
        downloaded = true;
        proven = true;
        return true;
    }
    // The decoder took the stream back by itself (the device turned its profile down).
    hardwareNote = QStringLiteral("%1 does not decode this stream's profile").arg(device->name());
    device.reset();
    return true;
}

bool VideoDecoder::Impl::seekTo(int64_t ts)
{
    if (!codec && !openCodec(options.hardware && !hardwareFailed))
        return false;
    lastSeek = ts;
    const int r = av_seek_frame(format, stream, ts, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec);
    drained = false;
    haveFrame = downloaded = false;
    return r >= 0;
}

// 0 with a new frame in `frame`, else the error that ended decoding (AVERROR_EOF at the end).
int VideoDecoder::Impl::decodeNext()
{
    if (!codec)
        return AVERROR(EINVAL);   // released: a seek starts the decoder again
    for (;;) {
        const int got = avcodec_receive_frame(codec, scratch);
        if (got == 0) {
            av_frame_unref(frame);
            av_frame_move_ref(frame, scratch);
            haveFrame = true;
            downloaded = false;
            return prove() ? 0 : AVERROR_EXTERNAL;
        }
        if (got != AVERROR(EAGAIN))
            return got;   // end of stream or a decode error
        if (drained)
            return AVERROR_EOF;
        const int read = av_read_frame(format, packet);
        if (read < 0) {
            drained = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (packet->stream_index == stream) {
            const int sent = avcodec_send_packet(codec, packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                av_packet_unref(packet);
                return sent;
            }
        }
        av_packet_unref(packet);
    }
}

std::optional<double> VideoDecoder::Impl::nearestKey(double secs) const
{
    const int64_t want = timestamp(secs);
    const auto after = std::lower_bound(keys.begin(), keys.end(), want);
    if (after == keys.begin())
        return keys.empty() ? std::nullopt : std::optional<double>(seconds(*after));
    const auto before = std::prev(after);
    if (after == keys.end() || want - *before <= *after - want)
        return seconds(*before);
    return seconds(*after);
}

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::isOpen() const { return d && d->format; }

bool VideoDecoder::open(const QString &path, Options options)
{
    setUpOnce();
    d = std::make_unique<Impl>();
    d->options = options;
    const QByteArray name = path.toUtf8();
    if (avformat_open_input(&d->format, name.constData(), nullptr, nullptr) < 0) {
        d.reset();
        return false;
    }
    const AVCodec *decoder = nullptr;
    int index = av_find_best_stream(d->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder || d->format->streams[index]->codecpar->width <= 0) {
        // Some containers only describe their streams after probing packets.
        if (avformat_find_stream_info(d->format, nullptr) < 0) {
            d.reset();
            return false;
        }
        index = av_find_best_stream(d->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    }
    if (index < 0 || !decoder) {
        d.reset();
        return false;
    }
    d->stream = index;
    d->decoder = decoder;
    for (unsigned i = 0; i < d->format->nb_streams; ++i)
        d->format->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    d->frame = av_frame_alloc();
    d->scratch = av_frame_alloc();
    d->inMemory = av_frame_alloc();
    d->packet = av_packet_alloc();
    if (!d->frame || !d->scratch || !d->inMemory || !d->packet || !d->openCodec(options.hardware)) {
        d.reset();
        return false;
    }
    d->findKeys();

    if (const uint8_t *matrix = av_stream_get_side_data(d->st(), AV_PKT_DATA_DISPLAYMATRIX, nullptr)) {
        const double ccw = av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
        if (!std::isnan(ccw)) {
            int cw = int(std::lround(-ccw / 90.0)) * 90;
            d->rotation = ((cw % 360) + 360) % 360;
        }
    }
    return true;
}

double VideoDecoder::duration() const
{
    if (!isOpen())
        return 0.0;
    if (d->st()->duration > 0)
        return double(d->st()->duration) * av_q2d(d->st()->time_base);
    if (d->format->duration > 0)
        return double(d->format->duration) / AV_TIME_BASE;
    return 0.0;
}

double VideoDecoder::frameRate() const
{
    if (!isOpen())
        return 0.0;
    const AVRational rate = d->st()->avg_frame_rate.num ? d->st()->avg_frame_rate : d->st()->r_frame_rate;
    return rate.den ? av_q2d(rate) : 0.0;
}

int VideoDecoder::rotation() const { return isOpen() ? d->rotation : 0; }

QSize VideoDecoder::displaySize() const
{
    if (!isOpen())
        return {};
    QSize size(d->st()->codecpar->width, d->st()->codecpar->height);
    return d->rotation % 180 ? size.transposed() : size;
}

std::vector<double> VideoDecoder::keyFrames() const
{
    std::vector<double> times;
    if (isOpen()) {
        for (const int64_t key : d->keys)
            times.push_back(d->seconds(key));
    }
    return times;
}

qint64 VideoDecoder::pictureMemory() const
{
    if (!isOpen())
        return 0;
    const AVCodecParameters *par = d->st()->codecpar;
    const int w = std::max(par->width, 1), h = std::max(par->height, 1);
    int bytes = par->format >= 0 ? av_image_get_buffer_size(AVPixelFormat(par->format), w, h, 1) : -1;
    if (bytes <= 0)
        bytes = w * h * 3;   // as if 4:2:0 at 16 bits, the largest the camera writes
    return qint64(bytes) * picturesHeld;
}

bool VideoDecoder::seek(double seconds)
{
    if (!isOpen())
        return false;
    return d->seekTo(d->timestamp(seconds));
}

bool VideoDecoder::seekNearestKey(double seconds)
{
    if (!isOpen())
        return false;
    const std::optional<double> key = d->nearestKey(seconds);
    return d->seekTo(d->timestamp(key.value_or(seconds)));
}

std::optional<double> VideoDecoder::seekKeyAtOrAfter(double seconds)
{
    if (!isOpen())
        return std::nullopt;
    const auto key = std::lower_bound(d->keys.begin(), d->keys.end(), d->timestamp(seconds));
    if (key == d->keys.end() || !d->seekTo(*key))
        return std::nullopt;
    return d->seconds(*key);
}

std::optional<double> VideoDecoder::next()
{
    if (!isOpen())
        return std::nullopt;
    int error = d->decodeNext();
    if (error != 0 && d->fallBackToSoftware())
        error = d->decodeNext();
    if (error != 0)
        return std::nullopt;
    return d->seconds(d->frame->best_effort_timestamp);
}

std::optional<double> VideoDecoder::decodeTo(double seconds, double tolerance)
{
    std::optional<double> last;
    for (;;) {
        const std::optional<double> t = next();
        if (!t)
            return last;   // the target lies past the last frame: that frame is the nearest
        if (*t >= seconds - tolerance)
            return t;
        last = t;
    }
}

std::optional<double> VideoDecoder::keyFrame(double seconds)
{
    if (!isOpen())
        return std::nullopt;
    const std::optional<double> key = d->nearestKey(seconds);
    if (!key) {
        // No index to find key frames by: decode from the start of what a seek gives.
        seek(seconds);
        return next();
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!d->seekTo(d->timestamp(*key)) && !d->codec)
            return std::nullopt;
        // Only the key frame's packet, then the end of the stream: the decoder hands the
        // picture out at once instead of reading ahead for the frames shown before it.
        int error = 0;
        for (;;) {
            error = av_read_frame(d->format, d->packet);
            if (error < 0 || d->packet->stream_index == d->stream)
                break;
            av_packet_unref(d->packet);
        }
        if (error >= 0) {
            // A key frame cut short (a copy that ended early) is not a picture to show.
            error = d->packet->flags & AV_PKT_FLAG_CORRUPT ? AVERROR_INVALIDDATA
                                                           : avcodec_send_packet(d->codec, d->packet);
            av_packet_unref(d->packet);
        }
        if (error >= 0) {
            avcodec_send_packet(d->codec, nullptr);
            d->drained = true;
            error = d->decodeNext();
        }
        if (error == 0)
            return d->seconds(d->frame->best_effort_timestamp);
        if (!d->fallBackToSoftware())
            break;
    }
    // The index points at something that does not decode on its own: decode up to the
    // time the ordinary way.
    seek(seconds);
    return next();
}

void VideoDecoder::setSkipNonReference(bool skip)
{
    if (!isOpen())
        return;
    d->skipNonReference = skip;
    if (d->codec)
        d->codec->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

void VideoDecoder::release()
{
    if (!isOpen())
        return;
    avcodec_free_context(&d->codec);
    d->device.reset();
    av_frame_unref(d->frame);
    av_frame_unref(d->scratch);
    av_frame_unref(d->inMemory);
    d->haveFrame = d->downloaded = d->drained = false;
}

QImage VideoDecoder::image(QSize box, Scale scale)
{
    if (!isOpen() || !d->haveFrame)
        return {};
    const AVFrame *source = d->frame;
    if (d->device && d->device->holds(d->frame)) {
        if (!d->downloaded) {
            av_frame_unref(d->inMemory);
            if (!d->device->download(d->frame, d->inMemory))
                return {};
            d->downloaded = true;
        }
        source = d->inMemory;
    }
    if (source->width <= 0 || source->height <= 0)
        return {};
    if (d->rotation % 180)
        box.transpose();
    const QSize size = scaledSize(QSize(source->width, source->height), box, scale == Scale::Fill);
    PlanarPicture picture;
    picture.planes = source->data;
    picture.strides = source->linesize;
    picture.format = source->format;
    picture.width = source->width;
    picture.height = source->height;
    picture.colorspace = source->colorspace;
    picture.fullRange = source->color_range == AVCOL_RANGE_JPEG;
    QImage out = d->scaler.scale(picture, size);
    if (!out.isNull() && d->rotation)
        out = out.transformed(QTransform().rotate(d->rotation));
    return out;
}

QString VideoDecoder::decoderName() const
{
    return isOpen() && d->device ? d->device->name() : QStringLiteral("software");
}

QString VideoDecoder::hardwareNote() const
{
    return isOpen() && !d->device ? d->hardwareNote : QString();
}

QString VideoDecoder::codecName() const
{
    return isOpen() ? QString::fromUtf8(d->decoder->name) : QString();
}

} // namespace vidorra
