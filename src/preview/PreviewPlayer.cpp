#include "preview/PreviewPlayer.h"

#include "preview/ScrubDecoder.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace vidorra {

// Everything here is touched on the main thread only; decoding runs on the scrub
// decoder's thread and comes back as queued calls to this object, which owns that thread
// and ends it when the application object takes this object with it.
class ScrubState : public QObject {
public:
    explicit ScrubState(QObject *parent)
        : QObject(parent), source(new ScrubSource(this)),
          decoder(this,
                  {[this](quint64 gen, bool ok, double length) { opened(gen, ok, length); },
                   [this](quint64 gen, const QImage &frame) { shown(gen, frame); },
                   [this](quint64 gen) { seekDone(gen); }},
                  PreviewPlayer::tolerance)
    {
    }

    static ScrubState &get()
    {
        static QPointer<ScrubState> state;
        if (!state)
            state = new ScrubState(QCoreApplication::instance());
        return *state;
    }

    void flush();
    void release();

    ScrubSource *source;
    std::optional<QUuid> owner;
    std::optional<double> target;
    bool seeking = false;
    bool ready = false;
    double duration = 0.0;
    quint64 generation = 0;   // tells results for a replaced clip from the current one
    ScrubDecoder decoder;

private:
    void opened(quint64 gen, bool ok, double length);
    void shown(quint64 gen, const QImage &frame);
    void seekDone(quint64 gen);
    void emitReady(bool value) { Q_EMIT source->readyChanged(value); }
};

void ScrubState::opened(quint64 gen, bool ok, double length)
{
    if (gen != generation || !owner)
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
    if (seeking) {
        // The newest position waits for the running seek, which it cuts short.
        if (target)
            decoder.interrupt();
        return;
    }
    if (!target || !owner || !ready)
        return;
    const double fraction = *target;
    target.reset();
    seeking = true;
    const double seconds = fraction * duration;
    Q_EMIT source->seekIssued(seconds);
    decoder.seek(generation, seconds, source->targetSize());
}

void ScrubState::shown(quint64 gen, const QImage &frame)
{
    if (gen == generation && owner && !frame.isNull())
        source->present(frame);
}

void ScrubState::seekDone(quint64)
{
    seeking = false;
    Q_EMIT source->seekFinished();
    flush();
}

void ScrubState::release()
{
    target.reset();
    ++generation;
    const bool wasReady = ready;
    ready = false;
    duration = 0.0;
    source->present(QImage());
    if (wasReady)
        emitReady(false);
}

namespace PreviewPlayer {

void start(const QString &path, const QUuid &owner, const CubePtr &cube)
{
    ScrubState &s = ScrubState::get();
    s.owner = owner;
    s.release();
    s.decoder.open(s.generation, path, cube);
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
    s.release();
    s.decoder.close();
    // `seeking` stays: the outstanding seek's completion clears it.
}

ScrubSource *source() { return ScrubState::get().source; }
std::optional<QUuid> owner() { return ScrubState::get().owner; }
bool isSeeking() { return ScrubState::get().seeking; }
bool isReady() { return ScrubState::get().ready; }
std::optional<double> pendingTarget() { return ScrubState::get().target; }

} // namespace PreviewPlayer
} // namespace vidorra
