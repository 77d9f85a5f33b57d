#include "TilePlayer.h"

#include "ThreadPriority.h"
#include "VideoDecoder.h"

#include <QMetaObject>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <thread>

namespace vidorra {

namespace {
int activeCount = 0;   // main thread only
using Clock = std::chrono::steady_clock;

// Tiles decode a few at a time, leaving a core to the main thread: sixteen decoders all
// runnable at once would make the window wait for the scheduler. A tile that cannot get
// a turn in time simply shows fewer frames.
class DecodeTurns {
public:
    static DecodeTurns &get()
    {
        // Never destroyed: detached tile threads may still be finishing at exit.
        static DecodeTurns *turns = new DecodeTurns(std::max(1, QThread::idealThreadCount() - 1));
        return *turns;
    }
    void acquire()
    {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [this] { return free_ > 0; });
        --free_;
    }
    void release()
    {
        {
            std::lock_guard lock(mutex_);
            ++free_;
        }
        freed_.notify_one();
    }
private:
    explicit DecodeTurns(int turns) : free_(turns) {}
    std::mutex mutex_;
    std::condition_variable freed_;
    int free_;
};

struct Turn {
    Turn() { DecodeTurns::get().acquire(); }
    ~Turn() { DecodeTurns::get().release(); }
};
} // namespace

// The decoding side of one tile. The thread owns the decoder; `owner` is cleared on the
// main thread (under `mutex`) before the player goes away, so a frame is only ever posted
// to a live player.
struct TilePlayer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    TilePlayer *owner = nullptr;
    std::atomic<bool> framePending{false};   // posted and not yet shown: the next one waits

    QString path;
    double start = 0.0;

    void run();
    bool waitUntil(Clock::time_point when);
    void post(const QImage &frame);
    void postRestart();
};

bool TilePlayer::Worker::waitUntil(Clock::time_point when)
{
    std::unique_lock lock(mutex);
    wake.wait_until(lock, when, [this] { return stopping; });
    return !stopping;
}

void TilePlayer::Worker::post(const QImage &frame)
{
    std::lock_guard lock(mutex);
    if (!owner || stopping)
        return;
    framePending = true;
    TilePlayer *target = owner;
    QMetaObject::invokeMethod(target, [target, frame] { target->deliver(frame); }, Qt::QueuedConnection);
}

void TilePlayer::Worker::postRestart()
{
    std::lock_guard lock(mutex);
    if (!owner || stopping)
        return;
    TilePlayer *target = owner;
    QMetaObject::invokeMethod(target, [target] {
        ++target->loops_;
        Q_EMIT target->restarted();
    }, Qt::QueuedConnection);
}

void TilePlayer::Worker::run()
{
    lowerThreadPriority(19);   // decorative: the lowest share, yet never starved outright
    VideoDecoder decoder;
    if (!decoder.open(path, VideoDecoder::Options{1, true}))
        return;
    auto box = [this] {
        std::lock_guard lock(mutex);
        return owner ? owner->targetSize() : QSize();
    };

    if (start > 0.0) {
        decoder.seek(start);
        decoder.setSkipNonReference(true);   // only the frames the start frame needs
    }
    // The clock is set by the first frame shown after each seek, so the time spent
    // seeking never counts as lateness.
    bool rebase = true;
    int decodedSinceSeek = 0;
    double mediaBase = start;
    Clock::time_point wallBase = Clock::now();
    Clock::time_point lastShown = wallBase;
    const double fps = decoder.frameRate();
    const auto interval = std::chrono::duration<double>(fps > 0.0 ? 1.0 / fps : 1.0 / 30.0);

    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (stopping)
                return;
        }
        std::optional<double> t;
        {
            Turn turn;
            t = decoder.next();
        }
        if (!t) {
            // End of the clip: the last frame stays up and playback restarts at 0. A clip
            // that gives no frame at all from a seek is broken: stop trying.
            if (decodedSinceSeek == 0 || !decoder.seek(0.0))
                return;
            decodedSinceSeek = 0;
            decoder.setSkipNonReference(false);
            mediaBase = 0.0;
            rebase = true;
            postRestart();
            continue;
        }
        ++decodedSinceSeek;
        if (*t < mediaBase - 0.02)
            continue;   // catching up to the start point after the seek
        auto now = Clock::now();
        if (rebase || now - (wallBase + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(*t - mediaBase)))
                          > std::chrono::milliseconds(500)) {
            // First frame after a seek, or so far behind that catching up is hopeless.
            wallBase = now;
            mediaBase = *t;
            rebase = false;
        }
        const auto due = wallBase + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(*t - mediaBase));
        if (now - due > std::chrono::milliseconds(250)) {
            // Far behind: jump to the next key frame past where playback should be rather
            // than decode frames that would only be dropped. Its time lies ahead, so the
            // clock stays as it is and the tile waits for it.
            const double expected = mediaBase + std::chrono::duration<double>(now - wallBase).count();
            std::optional<double> key;
            {
                Turn turn;
                key = decoder.seekKeyAtOrAfter(expected);
            }
            if (key) {
                decodedSinceSeek = 0;
                continue;
            }
        }
        const bool late = now - due > interval;
        // Drop a frame that is already a whole frame late (the next one is due), and
        // skip decoding frames nothing depends on while far behind; but never let the
        // tile freeze for long on a slow machine.
        decoder.setSkipNonReference(now - due > 4 * interval);
        if (late && now - lastShown < std::chrono::milliseconds(250))
            continue;
        if (due > now && !waitUntil(due))
            return;
        if (framePending)
            continue;   // the main thread has not shown the previous frame yet
        QImage frame;
        {
            Turn turn;
            frame = decoder.image(box(), VideoDecoder::Scale::Fill);
        }
        if (frame.isNull())
            continue;
        lastShown = Clock::now();
        post(frame);
    }
}

TilePlayer::TilePlayer(const QString &path, double duration, QObject *parent)
    : FrameSource(parent), worker_(std::make_shared<Worker>())
{
    if (std::isfinite(duration) && duration > 2.0)
        startTime_ = QRandomGenerator::global()->bounded(0.7 * duration);
    worker_->path = path;
    worker_->start = startTime_;
    worker_->owner = this;
    std::thread([worker = worker_] { worker->run(); }).detach();
}

std::unique_ptr<TilePlayer> TilePlayer::create(const QString &path, double duration, QObject *parent)
{
    if (activeCount >= limit)
        return nullptr;
    ++activeCount;
    return std::unique_ptr<TilePlayer>(new TilePlayer(path, duration, parent));
}

int TilePlayer::active() { return activeCount; }

TilePlayer::~TilePlayer()
{
    // Decoding ends either way; only stop() gives the slot back.
    std::lock_guard lock(worker_->mutex);
    worker_->owner = nullptr;
    worker_->stopping = true;
    worker_->wake.notify_all();
}

void TilePlayer::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    {
        std::lock_guard lock(worker_->mutex);
        worker_->owner = nullptr;
        worker_->stopping = true;
    }
    worker_->wake.notify_all();
    --activeCount;
}

void TilePlayer::deliver(const QImage &frame)
{
    worker_->framePending = false;
    if (stopped_)
        return;
    ++framesShown_;
    showFrame(frame);
}

} // namespace vidorra
