#include "preview/CoverGate.h"

namespace vidorra {

CoverGate::CoverGate(int slots) : free_(slots) {}

void CoverGate::enter(std::function<void()> admitted)
{
    {
        std::lock_guard lock(mutex_);
        if (free_ < 1) {
            waiting_.push_back(std::move(admitted));
            return;
        }
        --free_;
    }
    admitted();
}

void CoverGate::leave()
{
    std::function<void()> next;
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) {
            ++free_;
            return;
        }
        // The slot passes straight to the oldest waiter; `free_` stays as it is.
        next = std::move(waiting_.front());
        waiting_.pop_front();
    }
    next();
}

int CoverGate::abandonWaiting()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(waiting_);
    }
    return int(dropped.size()); // their captures go here, outside the lock
}

int CoverGate::free() const
{
    std::lock_guard lock(mutex_);
    return free_;
}

int CoverGate::waiting() const
{
    std::lock_guard lock(mutex_);
    return int(waiting_.size());
}

} // namespace vidorra
