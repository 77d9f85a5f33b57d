#include "FootageCard.h"
#include "Report.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace vidorra::bench {

namespace {

// Raised when the card's layout changes, so that an older card is written anew.
constexpr int kCardVersion = 1;

QString stem(int n) { return QStringLiteral("DJI_20240601%1_%2_D").arg(120000 + n * 17, 6, 10, QLatin1Char('0')).arg(n, 4, 10, QLatin1Char('0')); }

fixture::ClipSpec cameraSpec(int n, double seconds, bool dlog2)
{
    fixture::ClipSpec spec;
    spec.fps = 30;
    spec.timescale = 90000;
    spec.duration = seconds;
    fixture::CameraSample cam;
    cam.colorCode = dlog2 ? 22 : 2;
    static const int isos[] = {100, 200, 400, 800, 1600};
    cam.iso = isos[n % 5];
    cam.kelvin = 5600;
    spec.camera = cam;
    spec.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), dlog2 ? QStringLiteral("D-Log2") : QStringLiteral("D-Log")}};
    return spec;
}

QString marker(const QString &root) { return QDir(root).filePath(QStringLiteral(".complete")); }

QByteArray markerText()
{
    return QStringLiteral("card %1, %2 clips of %3 s, footage %4\n")
        .arg(kCardVersion).arg(cardTiles).arg(cardClipSeconds)
        .arg(QFileInfo(fixture::footageCacheFile(benchFootage(), QString())).fileName())
        .toUtf8();
}

FootageCard layout(const QString &root)
{
    const QDir dir(root);
    FootageCard card;
    for (int i = 1; i <= cardTiles; ++i) {
        card.withProxy.append(dir.filePath(QStringLiteral("proxy/") + stem(i) + QStringLiteral(".MP4")));
        card.withoutProxy.append(dir.filePath(QStringLiteral("plain/") + stem(i) + QStringLiteral(".MP4")));
    }
    card.longClip = dir.filePath(QStringLiteral("long/") + stem(100) + QStringLiteral(".MP4"));
    return card;
}

// What FFmpeg reads of a file's video stream.
struct StreamFacts {
    QString codec, format;
    int width = 0, height = 0, frames = 0;
    double duration = 0, megabits = 0;
    double keyMin = 0, keyMax = 0;       // spacing of key frames, seconds
    double decodeFps = 0;                // one core, the first 60 frames
};

std::optional<StreamFacts> readFacts(const QString &path)
{
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext *)> in(raw, [](AVFormatContext *c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(in.get(), nullptr) < 0)
        return std::nullopt;
    const int index = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return std::nullopt;
    const AVStream *stream = in->streams[index];
    StreamFacts f;
    f.codec = QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id));
    if (const char *name = av_get_pix_fmt_name(AVPixelFormat(stream->codecpar->format)))
        f.format = QString::fromLatin1(name);
    f.width = stream->codecpar->width;
    f.height = stream->codecpar->height;
    f.duration = stream->duration * av_q2d(stream->time_base);

    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext *)> dec(avcodec_alloc_context3(codec),
                                                                   [](AVCodecContext *c) { avcodec_free_context(&c); });
    if (!dec || avcodec_parameters_to_context(dec.get(), stream->codecpar) < 0)
        return std::nullopt;
    dec->thread_count = 1;
    if (avcodec_open2(dec.get(), codec, nullptr) < 0)
        return std::nullopt;
    std::unique_ptr<AVPacket, void (*)(AVPacket *)> pkt(av_packet_alloc(), [](AVPacket *p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame *)> frame(av_frame_alloc(), [](AVFrame *p) { av_frame_free(&p); });
    qint64 bytes = 0;
    double lastKey = -1;
    int decoded = 0;
    double decodeSeconds = 0;
    QElapsedTimer clock;
    for (; av_read_frame(in.get(), pkt.get()) >= 0; av_packet_unref(pkt.get())) {
        if (pkt->stream_index != index)
            continue;
        bytes += pkt->size;
        ++f.frames;
        if (pkt->flags & AV_PKT_FLAG_KEY) {
            const double at = pkt->pts * av_q2d(stream->time_base);
            if (lastKey >= 0) {
                f.keyMin = f.keyMin > 0 ? std::min(f.keyMin, at - lastKey) : at - lastKey;
                f.keyMax = std::max(f.keyMax, at - lastKey);
            }
            lastKey = at;
        }
        if (decoded < 60) {
            clock.start();
            if (avcodec_send_packet(dec.get(), pkt.get()) >= 0)
                while (avcodec_receive_frame(dec.get(), frame.get()) == 0)
                    ++decoded;
            decodeSeconds += clock.nsecsElapsed() / 1e9;
        }
    }
    f.megabits = f.duration > 0 ? bytes * 8 / f.duration / 1e6 : 0;
    f.decodeFps = decodeSeconds > 0 ? decoded / decodeSeconds : 0;
    return f;
}

} // namespace

fixture::Footage benchFootage()
{
    return fixture::Footage{};   // 3840x2160 10-bit HEVC, 120 Mbit/s, 4 s at 30 fps
}

std::optional<FootageCard> makeCard(const QString &root, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const FootageCard card = layout(root);
    QFile done(marker(root));
    if (done.open(QIODevice::ReadOnly) && done.readAll() == markerText())
        return card;
    done.close();

    const fixture::Footage footage = benchFootage();
    const QString cache = fixture::defaultFootageCache();
    if (!QFileInfo::exists(fixture::footageCacheFile(footage, cache))) {
        note(QStringLiteral("encoding the camera-like footage once into %1 (minutes on two cores)...").arg(cache));
    }
    QElapsedTimer clock;
    clock.start();
    QString why;
    const std::optional<fixture::FootageStreams> streams = fixture::cameraFootage(footage, cache, &why);
    if (!streams)
        return fail(QStringLiteral("no footage: %1").arg(why));
    note(QStringLiteral("footage ready in %1 s; writing the card into %2...").arg(clock.elapsed() / 1000.0, 0, 'f', 1).arg(root));
    const QDir dir(root);
    for (const char *sub : {"proxy", "plain", "long"})
        if (!dir.mkpath(QString::fromLatin1(sub)))
            return fail(QStringLiteral("cannot create %1").arg(dir.filePath(QString::fromLatin1(sub))));
    for (int i = 0; i < cardTiles; ++i) {
        const QString clip = card.withProxy[i], plain = card.withoutProxy[i];
        if (!fixture::writeCameraClip(clip, cameraSpec(i + 1, cardClipSeconds, i % 2 == 1), *streams, true, &why))
            return fail(why);
        // The same bytes under the other folder, without the proxy.
        QFile::remove(plain);
        if (::link(QFile::encodeName(clip).constData(), QFile::encodeName(plain).constData()) != 0
            && !QFile::copy(clip, plain))
            return fail(QStringLiteral("cannot write %1").arg(plain));
    }
    if (!fixture::writeCameraClip(card.longClip, cameraSpec(100, longClipSeconds, false), *streams, false, &why))
        return fail(why);
    QFile mark(marker(root));
    if (!mark.open(QIODevice::WriteOnly | QIODevice::Truncate) || mark.write(markerText()) < 0)
        return fail(QStringLiteral("cannot write %1").arg(marker(root)));
    note(QStringLiteral("card written in %1 s").arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    return card;
}

bool describeFootage(const FootageCard &card)
{
    title(QStringLiteral("footage"));
    const fixture::Footage footage = benchFootage();
    const std::optional<StreamFacts> clip = readFacts(card.withProxy.first());
    const QString proxyPath = QFileInfo(card.withProxy.first()).dir().filePath(
        QFileInfo(card.withProxy.first()).completeBaseName() + QStringLiteral(".LRF"));
    const std::optional<StreamFacts> proxy = readFacts(proxyPath);
    if (!clip || !proxy) {
        note(QStringLiteral("FFmpeg cannot read %1 or its proxy").arg(card.withProxy.first()));
        return false;
    }
    bool ok = true;
    auto check = [&](const QString &what, const QString &value, const QString &target, bool met) {
        figure(what, value, target, met);
        ok = ok && met;
    };
    const QSize proxySize = fixture::proxySize(footage.width, footage.height);
    check(QStringLiteral("clip"), QStringLiteral("%1 %2 %3x%4").arg(clip->codec, clip->format).arg(clip->width).arg(clip->height),
          QStringLiteral("hevc yuv420p10le %1x%2").arg(footage.width).arg(footage.height),
          clip->codec == QLatin1String("hevc") && clip->format == QLatin1String("yuv420p10le")
              && clip->width == footage.width && clip->height == footage.height);
    check(QStringLiteral("clip bit rate"), QStringLiteral("%1 Mbit/s").arg(clip->megabits, 0, 'f', 1),
          QStringLiteral(">= 100 Mbit/s"), clip->megabits >= 100);
    check(QStringLiteral("clip key frames"), QStringLiteral("every %1 to %2 s").arg(clip->keyMin, 0, 'f', 3).arg(clip->keyMax, 0, 'f', 3),
          QStringLiteral("every 1 s"), std::abs(clip->keyMin - 1) < 0.01 && std::abs(clip->keyMax - 1) < 0.01);
    check(QStringLiteral("proxy"), QStringLiteral("%1 %2 %3x%4, %5 Mbit/s").arg(proxy->codec, proxy->format).arg(proxy->width).arg(proxy->height).arg(proxy->megabits, 0, 'f', 1),
          QStringLiteral("h264 %1x%2, about %3 Mbit/s").arg(proxySize.width()).arg(proxySize.height()).arg(fixture::proxyMegabits),
          proxy->codec == QLatin1String("h264") && proxy->width == proxySize.width() && proxy->height == proxySize.height());
    check(QStringLiteral("durations"), QStringLiteral("clip %1 s (%2 frames), proxy %3 s (%4 frames)")
              .arg(clip->duration, 0, 'f', 3).arg(clip->frames).arg(proxy->duration, 0, 'f', 3).arg(proxy->frames),
          QStringLiteral("the same"), std::abs(clip->duration - proxy->duration) < 0.001 && clip->frames == proxy->frames);
    figure(QStringLiteral("FFmpeg software decoding on one core"),
           QStringLiteral("clip %1 fps, proxy %2 fps (the clip rate is 30)").arg(clip->decodeFps, 0, 'f', 1).arg(proxy->decodeFps, 0, 'f', 1));
    return ok;
}

} // namespace vidorra::bench
