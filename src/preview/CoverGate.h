#pragma once
// Admits at most four thumbnail loads at once, strictly first come first served. A
// slot given back while callers wait passes straight to the oldest waiter, so a
// newcomer can never take it in between.

#include <QtGlobal>
#include <deque>
#include <functional>
#include <mutex>

namespace vidorra {

class CoverGate {
public:
    explicit CoverGate(int slots = 4);

    // Calls `admitted` once the caller holds a slot: at once (on this thread) when one
    // is free, otherwise from the `leave` that hands a slot over (on that thread).
    void enter(std::function<void()> admitted);
    // Gives a slot back: to the oldest waiter if there is one, else to the free count.
    void leave();
    // Forgets every waiter: none of them will be admitted. Returns how many there were.
    int abandonWaiting();

    int free() const;
    int waiting() const;

private:
    mutable std::mutex mutex_;
    int free_;
    std::deque<std::function<void()>> waiting_;
};

} // namespace vidorra
