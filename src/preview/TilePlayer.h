#pragma once
// A small, muted player looping one clip on a chaos tile. At most 16 are alive. Its
// decoding is a job of the tile scheduler (see TileJob): read from the clip's proxy where
// it has one, at the size its tile shows, keeping real time by dropping frames it cannot
// show in time, or showing key frames when it cannot keep up at all.

#include "preview/FrameSource.h"

#include <QPointer>
#include <QString>
#include <memory>

namespace vidorra {

class TileJob;
class TileScheduler;

class TilePlayer : public FrameSource {
    Q_OBJECT
public:
    static constexpr int limit = 16;

    // A playing tile player, or null when `limit` are already active. Starts at a random
    // point in [0, 0.7 x duration] for clips longer than 2 s, else at 0; at the end it
    // holds the last frame and restarts at 0. Call on the main thread. Decodes on the
    // application's tile scheduler unless given another.
    static std::unique_ptr<TilePlayer> create(const QString &path, double duration, QObject *parent = nullptr,
                                              TileScheduler *scheduler = nullptr);
    // Tile players created and not yet stopped.
    static int active();

    ~TilePlayer() override;

    // Stops decoding and frees the slot. Call exactly once; later calls do nothing.
    // Destroying the player without stop() keeps its slot counted, as it is a caller bug.
    void stop();
    bool isStopped() const { return stopped_; }

    double startTime() const { return startTime_; }   // where the first loop began
    qint64 framesShown() const { return framesShown_; }
    int loops() const { return loops_; }               // restarts at 0 so far

Q_SIGNALS:
    void restarted();   // the clip reached its end and playback went back to 0

private:
    friend class TileJob;
    TilePlayer(const QString &path, double duration, QObject *parent, TileScheduler *scheduler);
    void deliver();   // the job left a picture or a restart for us
    void endJob();

    std::shared_ptr<TileJob> job_;
    QPointer<TileScheduler> scheduler_;   // goes with the application object
    double startTime_ = 0.0;
    qint64 framesShown_ = 0;
    int loops_ = 0;
    bool stopped_ = false;
};

} // namespace vidorra
