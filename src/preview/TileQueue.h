#pragma once
// Which tile decodes next when the tiles want more decoding than the machine can give.
// Each waiting tile says when its next picture is due and when its picture on screen was
// shown. Of the tiles that are due, the one whose picture has been up longest goes first;
// so a tile that has just shown a picture waits behind every other due tile, the time
// there is gets shared out evenly, and no tile freezes while others play. Plain data: the
// caller locks.

#include <QtGlobal>
#include <chrono>
#include <optional>
#include <vector>

namespace vidorra {

class TileQueue {
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;

    // Queues tile `id` (not already queued).
    void put(quint64 id, Time due, Time shown);
    // Makes a queued tile due at once and first in line (it was stopped and must be
    // cleaned up); false when it is not queued (a worker has it).
    bool hurry(quint64 id);
    // Takes the tile to work on at `now` out of the queue. Nothing when none is due yet;
    // `wake` then says when the first one will be (Time::max() when the queue is empty).
    std::optional<quint64> take(Time now, Time *wake);

    bool contains(quint64 id) const;
    int size() const { return int(entries_.size()); }

private:
    struct Entry {
        quint64 id;
        Time due;
        Time shown;
    };
    std::vector<Entry> entries_;   // sixteen at most: a scan beats any structure
};

} // namespace vidorra
