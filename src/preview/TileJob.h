#pragma once
// One looping tile's decoding: which file it reads (the clip's proxy where it has one),
// its playback clock, and the work of one turn. A tile whose decoder fits the budget of
// decoders kept open plays on, dropping frames it cannot show in time and jumping to the
// next key frame when far behind; any other (a 4K clip without a proxy) shows a key frame
// each turn from a decoder started for that one picture and released at once, the file
// staying open. A scheduler thread works
// one turn at a time; the main thread only links and unlinks the player that shows the
// pictures and collects them.

#include "preview/TileQueue.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace vidorra {

class TilePlayer;
class VideoDecoder;

class TileJob {
public:
    using Time = TileQueue::Time;

    // Loops the clip at `clip` (`duration` seconds by its metadata) from `start`.
    TileJob(const QString &clip, double duration, double start);
    ~TileJob();
    TileJob(const TileJob &) = delete;
    TileJob &operator=(const TileJob &) = delete;

    const quint64 id;

    // Main thread. Pictures go to `player` until unlinked; after stop() the next turn
    // ends the job.
    void link(TilePlayer *player);
    void stop();
    bool isStopped() const { return stopped_; }
    // The newest picture not yet collected (null when none) and the restarts at 0 since
    // the last collection.
    struct Mail {
        QImage frame;
        int restarts = 0;
    };
    Mail collect();

    // Scheduler threads, one at a time.
    struct Outcome {
        bool finished = false;   // stopped, or the clip cannot be decoded at all
        Time due;                // when the next turn should start
    };
    Outcome turn(Time now);
    Time shownAt() const { return shown_; }
    // Closes the decoder and gives its memory back, once the job has finished.
    void close();
    bool playsOn() const { return playing_; }   // keeps a decoder open

private:
    bool prepare();
    Outcome playTurn(Time now);
    Outcome keyTurn(Time now);
    Outcome restart(Time now);
    void show(VideoDecoder &decoder, Time now);
    void post(const QImage &frame, bool restarted);
    QSize box();

    // Fixed at construction.
    const QString clip_;
    const double metadataDuration_;
    const double start_;

    // Shared with the main thread, under `mutex_`.
    std::mutex mutex_;
    TilePlayer *player_ = nullptr;
    QImage mailFrame_;
    int mailRestarts_ = 0;
    bool mailPosted_ = false;
    std::atomic<bool> stopped_{false};

    // The scheduler thread's own.
    bool prepared_ = false;
    QString source_;
    std::unique_ptr<VideoDecoder> decoder_;   // released between key-frame turns
    bool playing_ = false;
    qint64 budgetHeld_ = 0;
    std::vector<double> keys_;
    double length_ = 0.0;
    double interval_ = 1.0 / 30.0;
    // The clock: media time `mediaBase_` was on screen at `wallBase_`. Unset after a seek
    // until the first frame from there is shown.
    bool clockSet_ = false;
    Time wallBase_{};
    double mediaBase_ = 0.0;
    double seekTarget_ = 0.0;   // frames before this (after a seek) are not shown
    double decodedAt_ = -1.0;
    int decodedSinceSeek_ = 0;
    int keyShown_ = -1;         // index into keys_ of the key frame on screen
    Time shown_;
};

} // namespace vidorra
