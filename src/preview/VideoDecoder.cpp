#include "VideoDecoder.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace vidorra {

struct VideoDecoder::Impl {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVFrame *frame = nullptr;     // the last frame decoded, kept when decoding ends
    AVFrame *scratch = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *sws = nullptr;
    int stream = -1;
    int rotation = 0;
    bool drained = false;       // the null packet that flushes the decoder was sent
    bool haveFrame = false;

    ~Impl()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&scratch);
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
};

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::isOpen() const { return d && d->codec; }

bool VideoDecoder::open(const QString &path, Options options)
{
    // Broken or odd files are expected here and handled by the caller; the library's own
    // console messages would only be noise.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    Q_UNUSED(quiet);
    d = std::make_unique<Impl>();
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
    for (unsigned i = 0; i < d->format->nb_streams; ++i)
        d->format->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    d->codec = avcodec_alloc_context3(decoder);
    if (!d->codec || avcodec_parameters_to_context(d->codec, d->st()->codecpar) < 0) {
        d.reset();
        return false;
    }
    d->codec->pkt_timebase = d->st()->time_base;
    d->codec->thread_count = std::max(1, options.threads);
    if (options.fast) {
        // Previews are shown small: deblocking is invisible there and costs a good share
        // of the decode time.
        d->codec->skip_loop_filter = AVDISCARD_ALL;
        d->codec->flags2 |= AV_CODEC_FLAG2_FAST;
    }
    if (avcodec_open2(d->codec, decoder, nullptr) < 0) {
        d.reset();
        return false;
    }
    d->frame = av_frame_alloc();
    d->scratch = av_frame_alloc();
    d->packet = av_packet_alloc();
    if (!d->frame || !d->scratch || !d->packet) {
        d.reset();
        return false;
    }

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
    QSize size(d->codec->width, d->codec->height);
    return d->rotation % 180 ? size.transposed() : size;
}

bool VideoDecoder::seek(double seconds)
{
    if (!isOpen())
        return false;
    const int r = av_seek_frame(d->format, d->stream, d->timestamp(seconds), AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(d->codec);
    d->drained = false;
    d->haveFrame = false;
    return r >= 0;
}

bool VideoDecoder::seekNearestKey(double seconds)
{
    if (!isOpen())
        return false;
    const int64_t want = d->timestamp(seconds);
    const int count = avformat_index_get_entries_count(d->st());
    int64_t best = AV_NOPTS_VALUE;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *e = avformat_index_get_entry(d->st(), i);
        if (!e || !(e->flags & AVINDEX_KEYFRAME))
            continue;
        if (best == AV_NOPTS_VALUE || std::llabs(e->timestamp - want) < std::llabs(best - want))
            best = e->timestamp;
        if (e->timestamp > want)
            break;   // the index is sorted: later key frames are only further away
    }
    if (best == AV_NOPTS_VALUE)
        return seek(seconds);
    const int r = av_seek_frame(d->format, d->stream, best, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(d->codec);
    d->drained = false;
    d->haveFrame = false;
    return r >= 0;
}

std::optional<double> VideoDecoder::seekKeyAtOrAfter(double seconds)
{
    if (!isOpen())
        return std::nullopt;
    const int64_t want = d->timestamp(seconds);
    const int count = avformat_index_get_entries_count(d->st());
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *e = avformat_index_get_entry(d->st(), i);
        if (!e || !(e->flags & AVINDEX_KEYFRAME) || e->timestamp < want)
            continue;
        if (av_seek_frame(d->format, d->stream, e->timestamp, AVSEEK_FLAG_BACKWARD) < 0)
            return std::nullopt;
        avcodec_flush_buffers(d->codec);
        d->drained = false;
        d->haveFrame = false;
        return d->seconds(e->timestamp);
    }
    return std::nullopt;
}

std::optional<double> VideoDecoder::next()
{
    if (!isOpen())
        return std::nullopt;
    for (;;) {
        const int got = avcodec_receive_frame(d->codec, d->scratch);
        if (got == 0) {
            av_frame_unref(d->frame);
            av_frame_move_ref(d->frame, d->scratch);
            d->haveFrame = true;
            return d->seconds(d->frame->best_effort_timestamp);
        }
        if (got != AVERROR(EAGAIN))
            return std::nullopt;   // end of stream or a decode error
        if (d->drained)
            return std::nullopt;
        const int read = av_read_frame(d->format, d->packet);
        if (read < 0) {
            d->drained = true;
            avcodec_send_packet(d->codec, nullptr);
            continue;
        }
        if (d->packet->stream_index == d->stream) {
            const int sent = avcodec_send_packet(d->codec, d->packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                av_packet_unref(d->packet);
                return std::nullopt;
            }
        }
        av_packet_unref(d->packet);
    }
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

void VideoDecoder::setSkipNonReference(bool skip)
{
    if (isOpen())
        d->codec->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

QImage VideoDecoder::image(QSize box, Scale scale)
{
    if (!isOpen() || !d->haveFrame || d->frame->width <= 0 || d->frame->height <= 0)
        return {};
    const int w = d->frame->width, h = d->frame->height;
    if (d->rotation % 180)
        box.transpose();
    if (box.width() <= 0 || box.height() <= 0)
        box = QSize(w, h);
    const double sx = double(box.width()) / w, sy = double(box.height()) / h;
    const double factor = std::min(1.0, scale == Scale::Fit ? std::min(sx, sy) : std::max(sx, sy));
    const int tw = std::max(1, int(std::lround(w * factor)));
    const int th = std::max(1, int(std::lround(h * factor)));

    const auto format = AVPixelFormat(d->frame->format);
    d->sws = sws_getCachedContext(d->sws, w, h, format, tw, th, AV_PIX_FMT_RGBA, SWS_BILINEAR,
                                  nullptr, nullptr, nullptr);
    if (!d->sws)
        return {};
    // Video levels and matrix as the stream says; HD and larger default to BT.709.
    int space = d->frame->colorspace;
    if (space == AVCOL_SPC_UNSPECIFIED)
        space = h >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
    const int *coefficients = sws_getCoefficients(space);
    const int fullRange = d->frame->color_range == AVCOL_RANGE_JPEG
        || format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
    sws_setColorspaceDetails(d->sws, coefficients, fullRange, sws_getCoefficients(AVCOL_SPC_BT709), 1,
                             0, 1 << 16, 1 << 16);

    // swscale's vector code writes whole blocks and may run past the end of a row that is
    // not a multiple of its block width: scale into a padded picture, then cut it out.
    QImage padded((tw + 31) & ~31, th + 2, QImage::Format_RGBA8888);
    if (padded.isNull())
        return {};
    uint8_t *dst[4] = {padded.bits(), nullptr, nullptr, nullptr};
    int stride[4] = {int(padded.bytesPerLine()), 0, 0, 0};
    if (sws_scale(d->sws, d->frame->data, d->frame->linesize, 0, h, dst, stride) <= 0)
        return {};
    QImage out = padded.copy(0, 0, tw, th);
    if (d->rotation)
        out = out.transformed(QTransform().rotate(d->rotation));
    return out;
}

} // namespace vidorra
