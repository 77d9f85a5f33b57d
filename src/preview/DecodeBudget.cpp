#include "preview/DecodeBudget.h"

namespace vidorra {

DecodeBudget &DecodeBudget::playing()
{
    // Sixteen playing tiles of 1080p, or of proxies with room to spare.
    static DecodeBudget budget(400LL << 20);
    return budget;
}

DecodeBudget &DecodeBudget::shortLived()
{
    // Two 4K key frames decoded at once (about 200 MB each at worst).
    static DecodeBudget budget(448LL << 20);
    return budget;
}

bool DecodeBudget::tryTake(qint64 bytes)
{
    std::lock_guard lock(mutex_);
    if (used_ + bytes > limit_)
        return false;
    used_ += bytes;
    return true;
}

void DecodeBudget::take(qint64 bytes)
{
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return fits(bytes); });
    used_ += bytes;
}

void DecodeBudget::give(qint64 bytes)
{
    {
        std::lock_guard lock(mutex_);
        used_ -= bytes;
    }
    freed_.notify_all();
}

qint64 DecodeBudget::held() const
{
    std::lock_guard lock(mutex_);
    return used_;
}

} // namespace vidorra
