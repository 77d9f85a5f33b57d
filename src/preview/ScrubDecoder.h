#pragma once
// The decoder thread behind hover scrubbing. It holds one request of each kind, the
// newest: a card the pointer has left is never opened, a position it has passed is never
// sought. A position is shown in two steps: the key frame nearest it at once (a single
// picture decoded, so the card follows the pointer), then, unless a newer request has
// come by then, the exact frame within the tolerance, decoded from the key frame before
// it and cut short as soon as a newer request comes. Results are posted to `context`'s
// thread; the decoder belongs to an owner that stops and joins its thread.

#include "preview/LUTCube.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace vidorra {

class ScrubDecoder {
public:
    struct Callbacks {
        std::function<void(quint64 generation, bool ok, double duration)> opened;
        std::function<void(quint64 generation, const QImage &frame)> shown;   // key frame, then exact
        std::function<void(quint64 generation)> done;   // the seek ended, finished or cut short
    };

    ScrubDecoder(QObject *context, Callbacks callbacks, double tolerance);
    ~ScrubDecoder();
    ScrubDecoder(const ScrubDecoder &) = delete;
    ScrubDecoder &operator=(const ScrubDecoder &) = delete;

    // Opens the clip at `clip` (its proxy where it has one) as `generation`, replacing
    // any other; frames are graded with `cube` when given.
    void open(quint64 generation, const QString &clip, const CubePtr &cube);
    // Closes the clip, giving its memory back.
    void close();
    // Shows the frame at `seconds` of `generation`, scaled to cover `box`.
    void seek(quint64 generation, double seconds, QSize box);
    // A newer request waits on the main thread: cut the exact step of the seek asked for
    // last short.
    void interrupt() { cutFrom_ = issued_.load(); }

private:
    struct Open {
        quint64 generation;
        QString clip;
        CubePtr cube;
    };
    struct Seek {
        quint64 generation;
        double seconds;
        QSize box;
        quint64 number;   // seeks are numbered as asked for
    };
    void run();
    void openNow(const Open &request);
    void seekNow(const Seek &request);
    void post(std::function<void()> call);
    bool cutShort(const Seek &request) const { return cutFrom_ >= request.number; }
    QImage picture(QSize box);

    QObject *context_;
    Callbacks callbacks_;
    const double tolerance_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::optional<Open> openRequest_;
    std::optional<Seek> seekRequest_;
    bool closeRequest_ = false;
    std::atomic<quint64> issued_{0};    // the number of the last seek asked for
    std::atomic<quint64> cutFrom_{0};   // seeks up to this number are cut short

    // The thread's own.
    struct Current;
    std::unique_ptr<Current> current_;

    std::thread thread_;   // last: starts once everything above is built
};

} // namespace vidorra
