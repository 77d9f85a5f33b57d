#include "preview/TilePlayer.h"

#include "preview/TileJob.h"
#include "preview/TileScheduler.h"

#include <QRandomGenerator>
#include <cmath>

namespace vidorra {

namespace {
int activeCount = 0;   // main thread only
} // namespace

TilePlayer::TilePlayer(const QString &path, double duration, QObject *parent, TileScheduler *scheduler)
    : FrameSource(parent), scheduler_(scheduler)
{
    if (std::isfinite(duration) && duration > 2.0)
        startTime_ = QRandomGenerator::global()->bounded(0.7 * duration);
    job_ = std::make_shared<TileJob>(path, duration, startTime_);
    job_->link(this);
    scheduler_->add(job_);
}

std::unique_ptr<TilePlayer> TilePlayer::create(const QString &path, double duration, QObject *parent,
                                               TileScheduler *scheduler)
{
    if (activeCount >= limit)
        return nullptr;
    if (!scheduler)
        scheduler = TileScheduler::shared();
    ++activeCount;
    return std::unique_ptr<TilePlayer>(new TilePlayer(path, duration, parent, scheduler));
}

int TilePlayer::active() { return activeCount; }

TilePlayer::~TilePlayer()
{
    // Decoding ends either way; only stop() gives the slot back.
    endJob();
}

void TilePlayer::endJob()
{
    if (!job_)
        return;
    job_->stop();   // from here on nothing is posted to this player
    if (scheduler_)
        scheduler_->hurry(job_->id);
    job_.reset();
}

void TilePlayer::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    endJob();
    --activeCount;
}

void TilePlayer::deliver()
{
    if (stopped_ || !job_)
        return;
    const TileJob::Mail mail = job_->collect();
    for (int i = 0; i < mail.restarts; ++i) {
        ++loops_;
        Q_EMIT restarted();
    }
    if (!mail.frame.isNull()) {
        ++framesShown_;
        showFrame(mail.frame);
    }
}

} // namespace vidorra
