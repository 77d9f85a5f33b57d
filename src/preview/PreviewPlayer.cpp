#include "PreviewPlayer.h"

#include "VideoDecoder.h"

#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace vidorra {

namespace {

// One opened clip. Its decoder is used by one task at a time (the pool has one thread).
struct ScrubItem {
    QString path;
    CubePtr cube;
    VideoDecoder decoder;
};

} // namespace

// Everything here is touched on the main thread only; decoder work runs on `pool` and
// posts its results back through `source`.
struct ScrubState {
    ScrubSource *source = nullptr;
    QThreadPool *pool = nullptr;
    std::optional<QUuid> owner;
    std::optional<double> target;
    bool seeking = false;
    std::shared_ptr<ScrubItem> item;
    bool ready = false;
    double duration = 0.0;
    quint64 generation = 0;   // tells results of a replaced item from the current one

    static ScrubState &get()
    {
        static ScrubState *state = [] {
            auto *s = new ScrubState;
            s->source = new ScrubSource;
            s->pool = new QThreadPool;
            s->pool->setMaxThreadCount(1);
            s->pool->setExpiryTimeout(-1);
            return s;
        }();
        return *state;
    }

    void flush();
    void opened(quint64 gen, bool ok, double length);
    void seekDone(quint64 gen, const QImage &frame);
    void emitReady(bool value) { Q_EMIT source->readyChanged(value); }
};

void ScrubState::opened(quint64 gen, bool ok, double length)
{
    if (gen != generation || !item)
        return;
    // A file that does not open, or has no length, never becomes ready: targets wait.
    if (!ok || !(length > 0.0) || !std::isfinite(length))
        return;
    ready = true;
    duration = length;
    emitReady(true);
    flush();
}

void ScrubState::flush()
{
    if (seeking || !target)
        return;
    if (!item || !ready)
        return;
    const double fraction = *target;
    target.reset();
    seeking = true;
    const double seconds = fraction * duration;
    Q_EMIT source->seekIssued(seconds);
    const quint64 gen = generation;
    const QSize box = source->targetSize();
    std::shared_ptr<ScrubItem> current = item;
    ScrubSource *notify = source;
    pool->start([current, gen, seconds, box, notify] {
        QImage frame;
        if (current->decoder.seek(seconds) && current->decoder.decodeTo(seconds, PreviewPlayer::tolerance))
            frame = current->decoder.image(box, VideoDecoder::Scale::Fill);
        if (!frame.isNull() && current->cube)
            current->cube->applyRGBA(frame.bits(), frame.width(), frame.height(), frame.bytesPerLine());
        QMetaObject::invokeMethod(notify, [gen, frame] { ScrubState::get().seekDone(gen, frame); },
                                  Qt::QueuedConnection);
    });
}

void ScrubState::seekDone(quint64 gen, const QImage &frame)
{
    seeking = false;
    if (gen == generation && !frame.isNull())
        source->present(frame);
    Q_EMIT source->seekFinished();
    flush();
}

namespace PreviewPlayer {

void start(const QString &path, const QUuid &owner, const CubePtr &cube)
{
    ScrubState &s = ScrubState::get();
    s.owner = owner;
    s.target.reset();
    ++s.generation;
    const bool wasReady = s.ready;
    s.ready = false;
    s.duration = 0.0;
    s.item = std::make_shared<ScrubItem>();
    s.item->path = path;
    s.item->cube = cube;
    s.source->present(QImage());
    if (wasReady)
        s.emitReady(false);

    const quint64 gen = s.generation;
    std::shared_ptr<ScrubItem> item = s.item;
    ScrubSource *notify = s.source;
    s.pool->start([item, gen, notify] {
        const bool ok = item->decoder.open(item->path);
        const double length = ok ? item->decoder.duration() : 0.0;
        QMetaObject::invokeMethod(notify, [gen, ok, length] { ScrubState::get().opened(gen, ok, length); },
                                  Qt::QueuedConnection);
    });
}

void scrub(double fraction, const QUuid &owner)
{
    ScrubState &s = ScrubState::get();
    if (!s.owner || *s.owner != owner)
        return;
    s.target = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    s.flush();
}

void stop(const QUuid &owner)
{
    ScrubState &s = ScrubState::get();
    if (!s.owner || *s.owner != owner)
        return;
    s.owner.reset();
    s.target.reset();
    ++s.generation;
    s.item.reset();
    const bool wasReady = s.ready;
    s.ready = false;
    s.duration = 0.0;
    s.source->present(QImage());
    if (wasReady)
        s.emitReady(false);
    // `seeking` stays: the outstanding seek's completion clears it.
}

ScrubSource *source() { return ScrubState::get().source; }
std::optional<QUuid> owner() { return ScrubState::get().owner; }
bool isSeeking() { return ScrubState::get().seeking; }
bool isReady() { return ScrubState::get().ready; }
std::optional<double> pendingTarget() { return ScrubState::get().target; }

} // namespace PreviewPlayer
} // namespace vidorra
