// Camera-like footage: one pass draws each frame once and feeds it to two encoders, the
// clip's (HEVC Main 10 or H.264 at the camera's bit rate) and, scaled down, the proxy's.
// The two streams are kept in one cache file per description.
#include "CameraFootage.h"
#include "CameraPicture.h"
#include "StreamEncoder.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace vidorra::fixture {

namespace {

constexpr quint32 kMagic = 0x56465447;   // "VFTG"
// Raised whenever the picture or the encoders' settings change, so that no cache made
// before is taken for the new footage.
constexpr int kVersion = 1;

QString codecName(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::Hevc10: return QStringLiteral("hevc10");
    case VideoCodec::H264: return QStringLiteral("h264");
    case VideoCodec::Mpeg4: return QStringLiteral("mpeg4");
    }
    return QStringLiteral("unknown");
}

QSize evenSize(int width, int height) { return {qMax(2, (width + 1) & ~1), qMax(2, (height + 1) & ~1)}; }

void store(QDataStream &out, const EncodedVideo &video)
{
    out << video.sampleEntry << quint32(video.syncSamples.size());
    for (quint32 n : video.syncSamples)
        out << n;
    out << quint32(video.samples.size());
    for (const QByteArray &sample : video.samples)
        out << sample;
}

// A stream as stored, if it reads back whole: `frames` samples, starting with a key frame.
// Counts are checked before anything is read by them, so a damaged file costs no more
// memory than its own size.
std::shared_ptr<const EncodedVideo> restore(QDataStream &in, int frames)
{
    auto video = std::make_shared<EncodedVideo>();
    quint32 count = 0;
    in >> video->sampleEntry >> count;
    if (in.status() != QDataStream::Ok || video->sampleEntry.isEmpty() || count == 0 || count > quint32(frames))
        return nullptr;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        quint32 n = 0;
        in >> n;
        const quint32 previous = video->syncSamples.isEmpty() ? 0 : video->syncSamples.last();
        if (n <= previous || n > quint32(frames))
            return nullptr;
        video->syncSamples.append(n);
    }
    in >> count;
    if (in.status() != QDataStream::Ok || count != quint32(frames) || video->syncSamples.first() != 1)
        return nullptr;
    video->samples.reserve(frames);
    for (int i = 0; i < frames && in.status() == QDataStream::Ok; ++i) {
        QByteArray sample;
        in >> sample;
        video->samples.append(sample);
    }
    return in.status() == QDataStream::Ok ? video : nullptr;
}

std::optional<FootageStreams> readCache(const QString &file, const Footage &footage)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream in(&f);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    qint32 version = 0;
    in >> magic >> version;
    if (magic != kMagic || version != kVersion)
        return std::nullopt;
    FootageStreams streams{footage, restore(in, footage.frames), restore(in, footage.frames)};
    if (!streams.clip || !streams.proxy || !in.atEnd())
        return std::nullopt;
    return streams;
}

bool writeCache(const QString &file, const FootageStreams &streams)
{
    if (!QDir().mkpath(QFileInfo(file).path()))
        return false;
    // Written aside and renamed into place: an interrupted run leaves no half file.
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&f);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << qint32(kVersion);
    store(out, *streams.clip);
    store(out, *streams.proxy);
    return out.status() == QDataStream::Ok && f.commit();
}

std::optional<FootageStreams> encode(const Footage &footage, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QSize size = evenSize(footage.width, footage.height);
    const QSize small = proxySize(size.width(), size.height());
    // No look-ahead limits and frame threads: the camera's encoder is not in a hurry either.
    StreamEncoder clip({.codec = footage.codec, .width = size.width(), .height = size.height(), .fps = footage.fps,
                        .bitRate = qint64(footage.megabits) * 1'000'000, .preset = "ultrafast", .lowLatency = false,
                        .bt709 = true});
    StreamEncoder proxy({.codec = VideoCodec::H264, .width = small.width(), .height = small.height(),
                         .fps = footage.fps, .bitRate = qint64(proxyMegabits) * 1'000'000, .preset = "veryfast",
                         .lowLatency = true, .bt709 = true});
    const CameraPicture picture(size.width(), size.height(), footage.fps, footage.codec == VideoCodec::Hevc10);
    std::unique_ptr<SwsContext, void (*)(SwsContext *)> scaler(nullptr, sws_freeContext);
    for (int i = 0; i < footage.frames; ++i) {
        AVFrame *big = clip.canvas();
        AVFrame *little = proxy.canvas();
        if (!big || !little)
            break;
        picture.draw(big, i);
        if (!scaler) {
            scaler.reset(sws_getContext(big->width, big->height, AVPixelFormat(big->format), little->width,
                                        little->height, AVPixelFormat(little->format), SWS_AREA, nullptr, nullptr,
                                        nullptr));
            if (!scaler)
                return fail(QStringLiteral("swscale cannot scale the proxy"));
        }
        sws_scale(scaler.get(), big->data, big->linesize, 0, big->height, little->data, little->linesize);
        if (!clip.send() || !proxy.send())
            break;
    }
    FootageStreams streams{footage, clip.finish(), proxy.finish()};
    if (!streams.clip)
        return fail(clip.error());
    if (!streams.proxy)
        return fail(QStringLiteral("proxy: %1").arg(proxy.error()));
    return streams;
}

} // namespace

QSize proxySize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {1280, 720};
    const int longSide = std::min(1280, std::max(width, height));
    if (width >= height)
        return evenSize(longSide, int(std::lround(double(longSide) * height / width)));
    return evenSize(int(std::lround(double(longSide) * width / height)), longSide);
}

QString defaultFootageCache()
{
    const QString chosen = qEnvironmentVariable("VIDORRA_FOOTAGE_CACHE");
    if (!chosen.isEmpty())
        return chosen;
#ifdef VIDORRA_FOOTAGE_CACHE_DIR
    return QStringLiteral(VIDORRA_FOOTAGE_CACHE_DIR);
#else
    return QDir::temp().filePath(QStringLiteral("vidorra-footage-cache"));
#endif
}

QString footageCacheFile(const Footage &footage, const QString &cacheDir)
{
    const QSize size = evenSize(footage.width, footage.height);
    const QSize small = proxySize(size.width(), size.height());
    const QString name = QStringLiteral("%1-%2x%3-%4fps-%5f-%6M")
                             .arg(codecName(footage.codec))
                             .arg(size.width()).arg(size.height())
                             .arg(footage.fps, 0, 'f', 3)
                             .arg(footage.frames)
                             .arg(footage.megabits)
                         + QStringLiteral("-proxy%1x%2-%3M-v%4.footage")
                               .arg(small.width()).arg(small.height()).arg(proxyMegabits).arg(kVersion);
    return QDir(cacheDir).filePath(name);
}

std::optional<FootageStreams> cameraFootage(const Footage &footage, const QString &cacheDir, QString *error)
{
    if (footage.frames <= 0 || footage.megabits <= 0 || !(footage.fps > 0) || !std::isfinite(footage.fps)
        || footage.codec == VideoCodec::Mpeg4) {
        if (error)
            *error = QStringLiteral("no camera footage of %1 frames at %2 fps, %3 Mbit/s in %4")
                         .arg(footage.frames).arg(footage.fps).arg(footage.megabits).arg(codecName(footage.codec));
        return std::nullopt;
    }
    // Held while encoding: a second caller for the same footage waits rather than encodes.
    static std::mutex mutex;
    static std::map<QString, FootageStreams> loaded;
    const QString file = footageCacheFile(footage, cacheDir);
    std::lock_guard lock(mutex);
    if (const auto it = loaded.find(file); it != loaded.end())
        return it->second;
    std::optional<FootageStreams> streams = readCache(file, footage);
    if (!streams) {
        streams = encode(footage, error);
        if (!streams)
            return std::nullopt;
        // A cache that cannot be written costs the next run another encode, nothing more.
        writeCache(file, *streams);
    }
    loaded.emplace(file, *streams);
    return streams;
}

std::shared_ptr<const EncodedVideo> loopedVideo(const EncodedVideo &video, int frames)
{
    const qsizetype n = video.samples.size();
    if (n == 0 || frames <= 0)
        return nullptr;
    auto out = std::make_shared<EncodedVideo>();
    out->sampleEntry = video.sampleEntry;
    out->samples.reserve(frames);
    for (int i = 0; i < frames; ++i) {
        const qsizetype from = i % n;
        out->samples.append(video.samples[from]);   // shared, not copied
        if (std::binary_search(video.syncSamples.begin(), video.syncSamples.end(), quint32(from + 1)))
            out->syncSamples.append(quint32(i + 1));
    }
    return out;
}

bool writeCameraClip(const QString &path, ClipSpec spec, const FootageStreams &streams, bool withProxy,
                     QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const double n = spec.duration * spec.fps;
    if (!streams.clip || !streams.proxy || !(n >= 1) || !std::isfinite(n) || n > 1e6)
        return fail(QStringLiteral("no camera clip of %1 s at %2 fps").arg(spec.duration).arg(spec.fps));
    const int frames = int(std::lround(n));
    const QSize size = evenSize(streams.footage.width, streams.footage.height);
    spec.videoTrack = true;
    spec.encodedVideo = loopedVideo(*streams.clip, frames);
    spec.width = size.width();
    spec.height = size.height();
    spec.videoWidth = spec.videoHeight = 0;
    spec.duration = frames / spec.fps;
    if (!writeClip(path, spec))
        return fail(QStringLiteral("cannot write %1").arg(path));
    if (!withProxy)
        return true;

    ClipSpec proxy = spec;
    const QSize small = proxySize(size.width(), size.height());
    proxy.encodedVideo = loopedVideo(*streams.proxy, frames);
    proxy.width = small.width();
    proxy.height = small.height();
    proxy.cover.reset();
    const QFileInfo clip(path);
    const QString lrf = clip.dir().filePath(clip.completeBaseName() + QStringLiteral(".LRF"));
    if (!writeClip(lrf, proxy)) {
        QFile::remove(path);
        return fail(QStringLiteral("cannot write %1").arg(lrf));
    }
    return true;
}

} // namespace vidorra::fixture
