#include "preview/PreviewSource.h"

#include "preview/VideoDecoder.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <cmath>
#include <mutex>

namespace vidorra {

namespace {

constexpr double lengthTolerance = 0.5;   // seconds
constexpr int remembered = 2000;

// Two sizes have the same aspect when one scaled to the other's width lands within a
// pixel and a half of its height (both ways): even sizes from an odd division round.
bool sameAspect(QSize a, QSize b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    auto within = [](QSize big, QSize small) {
        const double height = double(big.height()) * small.width() / big.width();
        return std::abs(height - small.height()) <= 1.5 + small.height() * 0.005;
    };
    return a.width() >= b.width() ? within(a, b) : within(b, a);
}

qint64 pixels(QSize size) { return qint64(size.width()) * size.height(); }

QString companion(const QString &clip)
{
    const QFileInfo info(clip);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.');
    for (const char *ext : {"LRF", "lrf"}) {
        const QString path = base + QLatin1String(ext);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

// What a kept answer was made from: a file changed since gives a new answer.
struct Stamp {
    qint64 size = -1;
    qint64 modified = 0;
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

struct Answer {
    Stamp clip;
    QString proxy;
    Stamp proxyStamp;
    PreviewChoice choice;
};

struct Answers {
    std::mutex mutex;
    QCache<QString, Answer> kept{remembered};
};

Answers &answers()
{
    static Answers instance;
    return instance;
}

// Whether the first and last key frames of the video at `path` decode: a copy cut short
// or damaged fails here rather than in front of the user.
bool keyFramesDecode(const QString &path)
{
    VideoDecoder decoder;
    if (!decoder.open(path, VideoDecoder::Options{1, true, false}))
        return false;
    const std::vector<double> keys = decoder.keyFrames();
    return decoder.keyFrame(0.0) && (keys.size() < 2 || decoder.keyFrame(keys.back()));
}

std::optional<StreamShape> shapeOf(const QString &path)
{
    VideoDecoder decoder;
    if (!decoder.open(path, VideoDecoder::Options{1, true, false}))
        return std::nullopt;
    return StreamShape{decoder.displaySize(), decoder.duration()};
}

PreviewChoice choose(const QString &clip, const QString &proxy)
{
    PreviewChoice plain{clip, false, {}};
    if (proxy.isEmpty()) {
        plain.note = QStringLiteral("no .LRF companion");
        return plain;
    }
    const QString name = QFileInfo(proxy).fileName();
    const std::optional<StreamShape> clipShape = shapeOf(clip);
    if (!clipShape) {
        plain.note = QStringLiteral("the clip has no video to compare %1 with").arg(name);
        return plain;
    }
    // Its shape first, from the file's header, so that nothing of a companion that cannot
    // serve (a picture larger than the clip's, say) is decoded.
    const std::optional<StreamShape> proxyShape = shapeOf(proxy);
    const bool serves = proxyShape && proxyMatches(*clipShape, *proxyShape);
    if (serves && keyFramesDecode(proxy))
        return {proxy, true, {}};
    if (!proxyShape || serves) {
        plain.note = QStringLiteral("%1 does not decode").arg(name);
        return plain;
    }
    const QSize proxySize = proxyShape->size, clipSize = clipShape->size;
    if (!sameAspect(clipSize, proxySize) || pixels(proxySize) > pixels(clipSize)) {
        plain.note = QStringLiteral("%1 is %2x%3, the clip %4x%5")
                         .arg(name).arg(proxySize.width()).arg(proxySize.height())
                         .arg(clipSize.width()).arg(clipSize.height());
    } else {
        plain.note = QStringLiteral("%1 is %2 s long, the clip %3 s")
                         .arg(name).arg(proxyShape->duration, 0, 'f', 2).arg(clipShape->duration, 0, 'f', 2);
    }
    return plain;
}

} // namespace

bool proxyMatches(const StreamShape &clip, const StreamShape &proxy)
{
    if (!std::isfinite(clip.duration) || !std::isfinite(proxy.duration))
        return false;
    // A companion larger than the clip would only make previews dearer.
    return sameAspect(clip.size, proxy.size) && pixels(proxy.size) <= pixels(clip.size)
        && std::abs(clip.duration - proxy.duration) <= lengthTolerance;
}

PreviewChoice previewSource(const QString &clip)
{
    const QString proxy = companion(clip);
    const Stamp clipStamp = stampOf(clip), proxyStamp = stampOf(proxy);
    Answers &a = answers();
    {
        std::lock_guard lock(a.mutex);
        if (const Answer *kept = a.kept.object(clip)) {
            if (kept->clip == clipStamp && kept->proxy == proxy && kept->proxyStamp == proxyStamp)
                return kept->choice;
        }
    }
    auto *answer = new Answer{clipStamp, proxy, proxyStamp, choose(clip, proxy)};
    const PreviewChoice choice = answer->choice;
    std::lock_guard lock(a.mutex);
    a.kept.insert(clip, answer);
    return choice;
}

void forgetPreviewSources()
{
    Answers &a = answers();
    std::lock_guard lock(a.mutex);
    a.kept.clear();
}

} // namespace vidorra
