#pragma once
// Thumbnails for cards and tiles: the embedded cover first, else a video frame, graded
// when a table is given, kept in a 400-entry cache keyed by path and table id. Decoding
// runs off the caller's thread, at most four loads at once (CoverGate).

#include "preview/CoverGate.h"
#include "preview/LUTCube.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace vidorra {

// One load in progress. Cancelling makes the load give back its slot as soon as it gets
// one (without decoding) and deliver nothing, and it stops watching its receiver at once,
// so cards that scroll past leave no connection behind. Cancel on the receiver's thread.
class CoverRequest {
public:
    void cancel()
    {
        cancelled_ = true;
        QObject::disconnect(receiverWatch_);
    }
    bool isCancelled() const { return cancelled_; }
    // The loader's watch on the receiver's destruction, dropped on cancel.
    void setReceiverWatch(QMetaObject::Connection watch) { receiverWatch_ = std::move(watch); }
private:
    std::atomic<bool> cancelled_{false};
    QMetaObject::Connection receiverWatch_;
};

namespace CoverLoader {

using Done = std::function<void(const std::optional<QImage> &)>;

CoverGate &gate();

// The cache key: the path, plus "." and the table's id when a table is given.
QString cacheKey(const QString &path, const LUTCube *cube);
// The cached picture, if any; never touches the gate.
std::optional<QImage> cached(const QString &path, const CubePtr &cube);

// Loads the picture for the clip at `path`. On a cache hit `done` runs before load
// returns, without entering the gate. Otherwise `done` runs later on `receiver`'s thread
// (the application's when null; nothing if the receiver is destroyed or the request is
// cancelled first). Failures give
// nothing and are not cached.
std::shared_ptr<CoverRequest> load(const QString &path, double duration, const CubePtr &cube,
                                   QObject *receiver, Done done);

// The work a load does once admitted, on the calling thread: cover or frame, graded.
std::optional<QImage> render(const QString &path, double duration, const LUTCube *cube);

// Drops every load that has not started decoding: they deliver nothing. Quitting calls
// it, so only the few loads in hand (at most four) are waited for, not the whole queue.
void abandonPending();

// Empties the cache (tests and benchmarks start cold with it).
void clearCache();

} // namespace CoverLoader
} // namespace vidorra
