#pragma once
// The threads that decode for the looping tiles: a few workers (one per core) taking
// turns on every tile's job, the tile whose picture has been up longest first (see
// TileQueue), at the lowest scheduling priority so the window always comes first. The
// scheduler owns its threads and stops and joins them when it goes away.

#include "preview/TileQueue.h"

#include <QObject>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vidorra {

class TileJob;

class TileScheduler : public QObject {
    Q_OBJECT
public:
    explicit TileScheduler(int workers, QObject *parent = nullptr);
    ~TileScheduler() override;

    // The application's scheduler, made on first use as a child of the application
    // object, so its threads end with it. Main thread.
    static TileScheduler *shared();

    // Starts turns on `job` until it is stopped or cannot decode.
    void add(std::shared_ptr<TileJob> job);
    // `job` was stopped: its decoder is closed at the next free moment.
    void hurry(quint64 id);

    int jobs() const;   // jobs not yet ended
    int workers() const { return int(threads_.size()); }

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    TileQueue queue_;
    std::map<quint64, std::shared_ptr<TileJob>> jobs_;
    std::vector<std::thread> threads_;
};

} // namespace vidorra
