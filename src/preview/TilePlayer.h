#pragma once
// A small, muted player looping one clip on a chaos tile. At most 16 are alive; each
// decodes on its own thread at the size its tile shows, keeping real time by dropping
// frames it cannot show in time.

#include "FrameSource.h"

#include <QString>
#include <memory>

namespace vidorra {

class TilePlayer : public FrameSource {
    Q_OBJECT
public:
    static constexpr int limit = 16;

    // A playing tile player, or null when `limit` are already active. Starts at a random
    // point in [0, 0.7 x duration] for clips longer than 2 s, else at 0; at the end it
    // holds the last frame and restarts at 0. Call on the main thread.
    static std::unique_ptr<TilePlayer> create(const QString &path, double duration,
                                              QObject *parent = nullptr);
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
    TilePlayer(const QString &path, double duration, QObject *parent);
    void deliver(const QImage &frame);

    struct Worker;
    std::shared_ptr<Worker> worker_;
    double startTime_ = 0.0;
    qint64 framesShown_ = 0;
    int loops_ = 0;
    bool stopped_ = false;
};

} // namespace vidorra
