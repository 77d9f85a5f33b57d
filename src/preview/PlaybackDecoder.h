#pragma once
// The pictures of the full-size preview, decoded by our own decoder on a thread of its
// own while the media player plays the sound and keeps the time. The main thread hands
// over the player's position and state as they change; the thread decodes forward to
// keep up with that clock, drops frames that are already late, jumps to the next key
// frame when far behind, starts over where the player jumped (a seek, a loop back to the
// start), and shows the exact frame at the position while paused. Each picture is
// converted at the size shown, a few ahead of their time when the decoder has time to
// spare, and graded and handed to `shown` on the decoder's thread when due.
// The owner stops and joins the thread when it destroys the decoder.

#include "preview/LUTCube.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vidorra {

class VideoDecoder;

class PlaybackDecoder {
public:
    struct Callbacks {
        // Main thread, once: whether the clip opened; when not, nothing is ever shown.
        std::function<void(bool ok)> opened;
        // Decoder thread: the picture due now, fitted inside the box and graded.
        std::function<void(const QImage &picture)> shown;
    };

    // Opens the clip at `path` and follows the clock from position 0, paused. `context`
    // receives the opened() call (queued; dropped when it is gone).
    PlaybackDecoder(const QString &path, QObject *context, Callbacks callbacks);
    ~PlaybackDecoder();
    PlaybackDecoder(const PlaybackDecoder &) = delete;
    PlaybackDecoder &operator=(const PlaybackDecoder &) = delete;

    // Main thread. The player's position in seconds and whether it plays; a position
    // that is not where playing on would have brought it is a jump, decoded from there.
    void follow(double seconds, bool playing);
    // The box pictures are fitted into, in device pixels.
    void setBox(QSize box);
    // Grades pictures with `cube` from now on; null shows them as decoded.
    void setCube(const CubePtr &cube);

    qint64 framesDropped() const { return dropped_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Sample {
        double position = 0.0;
        bool playing = false;
        Clock::time_point at = Clock::now();
        quint64 jumps = 1;   // counts discontinuities; the first one starts the picture
    };
    void run();
    bool openDecoder();
    bool waitForBudget();
    void play();
    double target(const Sample &sample, Clock::time_point now) const;
    struct Picture {
        double time;
        QImage image;
    };
    void playOn(double t, QSize box, const std::function<void(double)> &idle);
    QImage picture(QSize box);
    void present(QImage image);
    void show(QSize box);

    const QString path_;
    QObject *context_;
    Callbacks callbacks_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    Sample sample_;
    quint64 changes_ = 0;   // every follow() or setBox(), to wake the thread
    QSize box_;
    CubePtr cube_;

    // The thread's own.
    std::unique_ptr<VideoDecoder> decoder_;
    qint64 budgetHeld_ = 0;
    double length_ = 0.0;
    double interval_ = 1.0 / 30.0;
    double decodedAt_ = -1.0;   // time of the frame in the decoder, -1 for none
    bool ended_ = false;        // the stream has no frame after it
    double shownAt_ = -1.0;
    double catchUp_ = -1.0;     // after a jump: frames before this are not shown
    double decodeTime_ = 0.0;   // seconds a frame takes, lately
    std::deque<Picture> ahead_; // converted, waiting for their time
    QSize shownBox_;
    std::atomic<qint64> dropped_{0};

    std::thread thread_;   // last: starts once everything above is built
};

} // namespace vidorra
