#include "model/ScanWork.h"

#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <pthread.h>

namespace vidorra {

namespace {

// The files of one scan, read by workers that each claim the next chunk, while the
// scan thread hands on the finished chunks in collected order. Nobody waits for a
// chunk's slowest file before the next chunk starts, and the scan thread's own work
// (handing on, building libraries) never holds the readers up.
class ParallelReader {
public:
    ParallelReader(const QList<CollectedFile> &files, const ScanTokenPtr &token, const QStringList &urls,
                   const ScanHooks &hooks)
        : files_(files), token_(token), urls_(urls), hooks_(hooks),
          chunks_((files.size() + scanChunk - 1) / scanChunk), slots_(files.size()), chunkDone_(chunks_, false)
    {
        // Counted before any starts: a worker that finds nothing left stops at once.
        const int count = std::clamp(QThread::idealThreadCount(), 1, int(std::max<qsizetype>(chunks_, 1)));
        workersLeft_ = count;
        for (int w = 0; w < count; ++w)
            workers_.emplace_back([this] { work(); });
    }

    // Waits until `until` when given (or until every worker stopped), and then, if the
    // chunk after those handed on so far is not finished yet, until it is. Returns the
    // records finished in collected order since the last call, one chunk at most when
    // `oneChunk`; none only once every worker stopped.
    QList<Planned> takeFinished(std::optional<std::chrono::steady_clock::time_point> until, bool oneChunk)
    {
        std::unique_lock lock(mutex_);
        if (until)
            woken_.wait_until(lock, *until, [&] { return workersLeft_ == 0; });
        if (!nextReady()) {
            waitingForNext_ = true;
            woken_.wait(lock, [&] { return workersLeft_ == 0 || nextReady(); });
            waitingForNext_ = false;
        }
        QList<Planned> records;
        while (nextReady()) {
            const qsizetype first = handedChunks_ * scanChunk;
            const qsizetype end = std::min(first + scanChunk, files_.size());
            for (qsizetype k = first; k < end; ++k)
                records.append(std::move(*slots_[k]));
            ++handedChunks_;
            if (oneChunk)
                break;
        }
        return records;
    }

private:
    bool nextReady() const { return handedChunks_ < chunks_ && chunkDone_[handedChunks_]; }

    void work()
    {
        pthread_setname_np(pthread_self(), "Scan reader");
        for (;;) {
            const qsizetype chunk = nextChunk_.fetch_add(1);
            if (chunk >= chunks_ || token_->cancelled.load())
                break;
            const qsizetype first = chunk * scanChunk;
            if (hooks_.beforeChunk)
                hooks_.beforeChunk(urls_, int(first));
            const qsizetype end = std::min(first + scanChunk, files_.size());
            for (qsizetype k = first; k < end; ++k)
                slots_[k] = analyze(files_[k].url, files_[k].direct); // slots are disjoint
            std::lock_guard lock(mutex_);
            chunkDone_[chunk] = true;
            if (waitingForNext_ && chunk == handedChunks_)
                woken_.notify_one();
        }
        std::lock_guard lock(mutex_);
        if (--workersLeft_ == 0)
            woken_.notify_one();
    }

    const QList<CollectedFile> &files_;
    const ScanTokenPtr token_;
    const QStringList urls_;
    const ScanHooks hooks_;
    const qsizetype chunks_;
    std::vector<std::optional<Planned>> slots_;
    std::atomic<qsizetype> nextChunk_{0};

    std::mutex mutex_; // guards everything below
    std::condition_variable woken_;
    std::vector<bool> chunkDone_;
    qsizetype handedChunks_ = 0;
    bool waitingForNext_ = false; // the scan thread sleeps until chunk handedChunks_ is done
    int workersLeft_ = 0;

    // Last: started once everything above exists, and joined (when destroyed) before
    // any of it goes.
    std::vector<std::jthread> workers_;
};

} // namespace

void runScan(const QStringList &urls, const ScanTokenPtr &token, const ScanSink &sink,
             const ScanHooks &hooks)
{
    const Collected collected = collect(urls);
    const qsizetype total = collected.files.size();
    sink.collected(collected.result, int(total));

    // A negative interval hands on every chunk by itself.
    const bool everyChunk = hooks.updateIntervalMs < 0;
    const auto interval = std::chrono::milliseconds(std::max(hooks.updateIntervalMs, 0));
    QList<Planned> all; // every record so far, for the snapshots
    qsizetype handed = 0;
    {
        ParallelReader reader(collected.files, token, urls, hooks);
        auto nextUpdate = std::chrono::steady_clock::now() + interval;
        while (handed < total) {
            QList<Planned> records = reader.takeFinished(everyChunk ? std::nullopt : std::optional(nextUpdate),
                                                         everyChunk);
            if (token->cancelled.load())
                return; // the reader's workers are joined as it goes
            if (records.isEmpty())
                break; // every worker stopped early; only a cancellation does that
            handed += records.size();
            std::optional<ScanSnapshot> snapshot;
            if (sink.tab) {
                all.append(records);
                const std::optional<QString> tab = sink.tab();
                snapshot = ScanSnapshot{all, tab, Library(all, tab)};
            }
            sink.batch(records, int(handed), snapshot);
            nextUpdate = std::chrono::steady_clock::now() + interval;
        }
    }
    if (handed < total)
        return;
    sink.ended(int(total));
}

} // namespace vidorra
