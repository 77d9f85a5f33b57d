#pragma once
// How much picture memory the preview decoders may hold at once, across the whole
// process. Sixteen 4K decoders would need gigabytes. Decoders kept open for playing tiles
// share one budget: a tile whose decoder does not fit shows key frames instead. Short-
// lived decoders (one key frame for a thumbnail or a tile's turn) share another and wait
// for their share, so they never wait behind tiles that play on.

#include <QtGlobal>
#include <condition_variable>
#include <mutex>

namespace vidorra {

class DecodeBudget {
public:
    explicit DecodeBudget(qint64 bytes) : limit_(bytes) {}

    // The process's budgets: decoders kept open, and decoders opened for one picture.
    static DecodeBudget &playing();
    static DecodeBudget &shortLived();

    // Takes `bytes` if they fit now; false otherwise.
    bool tryTake(qint64 bytes);
    // Takes `bytes`, waiting until they fit. A request larger than the whole budget is
    // let through alone, once nothing else is held.
    void take(qint64 bytes);
    void give(qint64 bytes);

    qint64 held() const;
    qint64 limit() const { return limit_; }

private:
    bool fits(qint64 bytes) const { return used_ + bytes <= limit_ || used_ == 0; }
    const qint64 limit_;
    qint64 used_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
};

// A share of the budget held for a scope.
class BudgetShare {
public:
    BudgetShare(DecodeBudget &budget, qint64 bytes) : budget_(budget), bytes_(bytes) { budget_.take(bytes_); }
    ~BudgetShare() { budget_.give(bytes_); }
    BudgetShare(const BudgetShare &) = delete;
    BudgetShare &operator=(const BudgetShare &) = delete;
private:
    DecodeBudget &budget_;
    qint64 bytes_;
};

} // namespace vidorra
