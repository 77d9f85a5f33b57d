#include "preview/TileQueue.h"

#include <algorithm>

namespace vidorra {

void TileQueue::put(quint64 id, Time due, Time shown)
{
    entries_.push_back({id, due, shown});
}

bool TileQueue::hurry(quint64 id)
{
    for (Entry &e : entries_) {
        if (e.id == id) {
            e.due = e.shown = Time::min();
            return true;
        }
    }
    return false;
}

std::optional<quint64> TileQueue::take(Time now, Time *wake)
{
    auto best = entries_.end();
    Time first = Time::max();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->due > now) {
            first = std::min(first, it->due);
            continue;
        }
        // Longest on screen first; between equals, the one due longest.
        if (best == entries_.end() || it->shown < best->shown || (it->shown == best->shown && it->due < best->due))
            best = it;
    }
    if (best == entries_.end()) {
        if (wake)
            *wake = first;
        return std::nullopt;
    }
    const quint64 id = best->id;
    entries_.erase(best);
    return id;
}

bool TileQueue::contains(quint64 id) const
{
    return std::any_of(entries_.begin(), entries_.end(), [id](const Entry &e) { return e.id == id; });
}

} // namespace vidorra
