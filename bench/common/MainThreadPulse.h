#pragma once
// The main thread's pulse: the longest gap between ticks of a 2 ms timer. A window that
// keeps its main thread free ticks every few milliseconds; a long gap is a stall the user
// sees as a frozen window.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace vidorra::bench {

class MainThreadPulse {
public:
    MainThreadPulse()
    {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ >= countFrom_)
                longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start();
    }

    // Starts a new measurement, counting only gaps that begin `graceMs` from now (start-up
    // work of what is measured is not a stall).
    void restart(int graceMs = 1000)
    {
        longest_ = 0;
        last_ = clock_.nsecsElapsed();
        countFrom_ = last_ + qint64(graceMs) * 1000000;
    }

    double longestMs() const { return double(longest_) / 1e6; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0, longest_ = 0, countFrom_ = 0;
};

} // namespace vidorra::bench
