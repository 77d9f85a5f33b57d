#include "preview/TileScheduler.h"

#include "preview/ThreadPriority.h"
#include "preview/TileJob.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <algorithm>

namespace vidorra {

TileScheduler::TileScheduler(int workers, QObject *parent) : QObject(parent)
{
    for (int i = 0; i < std::max(1, workers); ++i)
        threads_.emplace_back([this] { work(); });
}

TileScheduler::~TileScheduler()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &thread : threads_)
        thread.join();
}

TileScheduler *TileScheduler::shared()
{
    static QPointer<TileScheduler> instance;
    if (!instance) {
        // One worker per core, at least two so one slow key frame never holds every tile.
        const int workers = std::clamp(QThread::idealThreadCount(), 2, 8);
        instance = new TileScheduler(workers, QCoreApplication::instance());
    }
    return instance;
}

void TileScheduler::add(std::shared_ptr<TileJob> job)
{
    {
        std::lock_guard lock(mutex_);
        queue_.put(job->id, TileQueue::Clock::now(), job->shownAt());
        jobs_.emplace(job->id, std::move(job));
    }
    wake_.notify_one();
}

void TileScheduler::hurry(quint64 id)
{
    {
        std::lock_guard lock(mutex_);
        if (!queue_.hurry(id))
            return;   // a worker has it and will see it stopped
    }
    wake_.notify_one();
}

int TileScheduler::jobs() const
{
    std::lock_guard lock(mutex_);
    return int(jobs_.size());
}

void TileScheduler::work()
{
    lowerThreadPriority(19);   // decorative: the lowest share, yet never starved outright
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        TileQueue::Time wake;
        const std::optional<quint64> id = queue_.take(TileQueue::Clock::now(), &wake);
        if (!id) {
            if (wake == TileQueue::Time::max())
                wake_.wait(lock);
            else
                wake_.wait_until(lock, wake);
            continue;
        }
        std::shared_ptr<TileJob> job = jobs_.at(*id);
        lock.unlock();
        const TileJob::Outcome outcome = job->turn(TileQueue::Clock::now());
        if (outcome.finished) {
            job->close();   // here, off the main thread and the lock
            lock.lock();
            jobs_.erase(*id);
            continue;
        }
        lock.lock();
        queue_.put(*id, outcome.due, job->shownAt());
    }
}

} // namespace vidorra
