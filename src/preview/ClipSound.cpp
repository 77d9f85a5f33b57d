#include "preview/ClipSound.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vidorra {

namespace {

constexpr int headerBytes = 44;
constexpr int bytesPerSample = 2;   // 16-bit PCM
// Decoded samples kept behind the read position, for a reader that steps back a little.
constexpr qint64 keptBehind = 64 << 10;

QByteArray waveHeader(int rate, int channels, quint32 dataBytes)
{
    QByteArray h(headerBytes, '\0');
    char *p = h.data();
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);   // integer PCM
    qToLittleEndian<quint16>(quint16(channels), p + 22);
    qToLittleEndian<quint32>(quint32(rate), p + 24);
    qToLittleEndian<quint32>(quint32(rate * channels * bytesPerSample), p + 28);
    qToLittleEndian<quint16>(quint16(channels * bytesPerSample), p + 32);
    qToLittleEndian<quint16>(8 * bytesPerSample, p + 34);
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, p + 40);
    return h;
}

// One sample of `frame` as a value from -1 to 1.
double sampleAt(const AVFrame *frame, int channel, int index)
{
    const auto format = AVSampleFormat(frame->format);
    const int size = av_get_bytes_per_sample(format);
    const int channels = frame->ch_layout.nb_channels;
    const uint8_t *p = av_sample_fmt_is_planar(format)
        ? frame->extended_data[channel] + qint64(index) * size
        : frame->extended_data[0] + (qint64(index) * channels + channel) * size;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: return (int(*p) - 128) / 128.0;
    case AV_SAMPLE_FMT_S16: { int16_t v; std::memcpy(&v, p, 2); return v / 32768.0; }
    case AV_SAMPLE_FMT_S32: { int32_t v; std::memcpy(&v, p, 4); return v / 2147483648.0; }
    case AV_SAMPLE_FMT_S64: { int64_t v; std::memcpy(&v, p, 8); return double(v) / 9223372036854775808.0; }
    case AV_SAMPLE_FMT_FLT: { float v; std::memcpy(&v, p, 4); return v; }
    case AV_SAMPLE_FMT_DBL: { double v; std::memcpy(&v, p, 8); return v; }
    default: return 0.0;
    }
}

} // namespace

struct ClipSound::Media {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    int stream = -1;
    bool drained = false;

    ~Media()
    {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    AVStream *st() const { return format->streams[stream]; }

    // The next decoded frame in `frame`; false at the end or on an error.
    bool next()
    {
        for (;;) {
            const int got = avcodec_receive_frame(codec, frame);
            if (got == 0)
                return true;
            if (got != AVERROR(EAGAIN) || drained)
                return false;
            if (av_read_frame(format, packet) < 0) {
                drained = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (packet->stream_index == stream)
                avcodec_send_packet(codec, packet);   // a damaged packet is skipped
            av_packet_unref(packet);
        }
    }
};

ClipSound::ClipSound() = default;
ClipSound::~ClipSound() = default;

std::unique_ptr<ClipSound> ClipSound::open(const QString &path)
{
    auto media = std::make_unique<Media>();
    if (!media->packet || !media->frame
        || avformat_open_input(&media->format, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return nullptr;
    AVFormatContext *format = media->format;
    // As long as the picture, which is what the preview shows; else the file's length.
    double seconds = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0.0;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && format->streams[video]->duration > 0)
        seconds = double(format->streams[video]->duration) * av_q2d(format->streams[video]->time_base);
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return nullptr;

    std::unique_ptr<ClipSound> sound(new ClipSound);
    const AVCodec *decoder = nullptr;
    const int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (audio >= 0 && decoder) {
        media->codec = avcodec_alloc_context3(decoder);
        if (media->codec && avcodec_parameters_to_context(media->codec, format->streams[audio]->codecpar) >= 0) {
            media->codec->pkt_timebase = format->streams[audio]->time_base;
            if (avcodec_open2(media->codec, decoder, nullptr) >= 0 && media->codec->sample_rate > 0
                && media->codec->ch_layout.nb_channels > 0) {
                media->stream = audio;
                sound->rate_ = media->codec->sample_rate;
                sound->channels_ = std::min(2, media->codec->ch_layout.nb_channels);
            }
        }
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = int(i) == media->stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    if (media->stream >= 0)
        sound->media_ = std::move(media);

    const qint64 frameBytes = qint64(sound->channels_) * bytesPerSample;
    const qint64 most = (std::numeric_limits<quint32>::max() - headerBytes) / frameBytes;
    sound->frames_ = std::min<qint64>(std::llround(seconds * sound->rate_), most);
    sound->header_ = waveHeader(sound->rate_, sound->channels_, quint32(sound->frames_ * frameBytes));
    // Unbuffered: pos() inside readData() is where the reader is.
    sound->QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return sound;
}

bool ClipSound::silent() const { return !media_; }

qint64 ClipSound::size() const
{
    return headerBytes + frames_ * channels_ * bytesPerSample;
}

qint64 ClipSound::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 n = std::min(maxSize, size() - at);
    if (n <= 0)
        return 0;
    qint64 done = 0;
    while (done < n) {
        const qint64 p = at + done;
        if (p < headerBytes) {
            const qint64 part = std::min(n - done, headerBytes - p);
            std::memcpy(data + done, header_.constData() + p, size_t(part));
            done += part;
            continue;
        }
        const qint64 offset = p - headerBytes;
        if (!media_ || !fill(offset)) {
            std::memset(data + done, 0, size_t(n - done));   // no sound (left): silence
            break;
        }
        const qint64 from = offset - pcmStart_;
        const qint64 part = std::min(n - done, qint64(pcm_.size()) - from);
        std::memcpy(data + done, pcm_.constData() + from, size_t(part));
        done += part;
    }
    return n;
}

// Makes the decoded samples cover byte `offset` of the data; false when the sound ends
// before it.
bool ClipSound::fill(qint64 offset)
{
    const qint64 end = pcmStart_ + pcm_.size();
    if (offset >= pcmStart_ && offset < end)
        return true;
    // A reader that jumped (a seek) starts the decoder over there; one reading on just
    // decodes on.
    const qint64 second = qint64(rate_) * channels_ * bytesPerSample;
    if (offset < pcmStart_ || offset > end + second / 2)
        restartAt(offset);
    while (pcmStart_ < 0 || offset >= pcmStart_ + pcm_.size()) {
        if (!decodeMore())
            return false;
        if (pcmStart_ >= 0 && offset < pcmStart_) {
            // The decoder started past the position (a gap in the sound): silence up to it.
            const qint64 aligned = offset - offset % (channels_ * bytesPerSample);
            pcm_.prepend(QByteArray(int(pcmStart_ - aligned), '\0'));
            pcmStart_ = aligned;
        }
    }
    const qint64 frameBytes = channels_ * bytesPerSample;
    const qint64 behind = (offset - pcmStart_ - keptBehind) / frameBytes * frameBytes;
    if (behind > 0) {
        pcm_.remove(0, int(behind));
        pcmStart_ += behind;
    }
    return true;
}

void ClipSound::restartAt(qint64 offset)
{
    const double seconds = double(offset) / (qint64(rate_) * channels_ * bytesPerSample);
    AVStream *st = media_->st();
    const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    av_seek_frame(media_->format, media_->stream, start + int64_t(seconds / av_q2d(st->time_base)),
                  AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(media_->codec);
    media_->drained = false;
    pcm_.clear();
    pcmStart_ = -1;   // set by the first frame decoded
}

// Decodes one frame and adds its samples as 16-bit PCM (the first two channels).
bool ClipSound::decodeMore()
{
    if (!media_->next())
        return false;
    const AVFrame *frame = media_->frame;
    const qint64 frameBytes = channels_ * bytesPerSample;
    QByteArray samples(int(frame->nb_samples * frameBytes), '\0');
    auto *out = reinterpret_cast<int16_t *>(samples.data());
    const int sourceChannels = frame->ch_layout.nb_channels;
    for (int i = 0; i < frame->nb_samples; ++i)
        for (int c = 0; c < channels_; ++c) {
            const double v = sampleAt(frame, std::min(c, sourceChannels - 1), i) * 32768.0;
            out[i * channels_ + c] = int16_t(std::clamp(std::lround(v), -32768L, 32767L));
        }
    if (pcmStart_ < 0) {
        AVStream *st = media_->st();
        const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        const int64_t ts = frame->best_effort_timestamp == AV_NOPTS_VALUE ? start : frame->best_effort_timestamp;
        qint64 first = std::llround(double(ts - start) * av_q2d(st->time_base) * rate_) * frameBytes;
        if (first < 0) {   // priming samples before the start
            samples.remove(0, int(std::min<qint64>(-first, samples.size())));
            first = 0;
        }
        pcmStart_ = first;
        pcm_ = samples;
        return true;
    }
    pcm_.append(samples);
    return true;
}

} // namespace vidorra
