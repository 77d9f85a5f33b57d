#include "preview/PlaybackDecoder.h"

#include "preview/DecodeBudget.h"
#include "preview/ThreadPriority.h"
#include "preview/VideoDecoder.h"

#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vidorra {

namespace {

using Seconds = std::chrono::duration<double>;

// Further behind the clock than this, decoding on is hopeless: jump to the next key frame.
constexpr double farBehind = 0.5;
// A position this far ahead of where playing on would have brought the player is a jump.
constexpr double jumpAhead = 0.5;
// Any step back while the player's position moves on is a jump (a seek, a loop to 0);
// reports may repeat a position, never step back on their own.
constexpr double jumpBack = 0.05;
// Between two reports the clock runs on by the time passed, but no further than this: a
// player that reports late or whose clock runs slow is not overtaken by much.
constexpr double coastAtMost = 0.3;
// Pictures converted ahead of their time, at most: a few frames of slack for a decoder
// that waits for a key frame's time after a jump.
constexpr size_t aheadAtMost = 4;
// Pictures larger than this are always shown reduced in a window: the loop filter's work
// is invisible there and costs a good share of the decoding time.
constexpr qint64 fullQualityArea = 1920LL * 1080;

} // namespace

PlaybackDecoder::PlaybackDecoder(const QString &path, QObject *context, Callbacks callbacks)
    : path_(path), context_(context), callbacks_(std::move(callbacks)), thread_([this] { run(); })
{
}

PlaybackDecoder::~PlaybackDecoder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PlaybackDecoder::follow(double seconds, bool playing)
{
    {
        std::lock_guard lock(mutex_);
        if (seconds == sample_.position && playing == sample_.playing)
            return;   // the same report again: the clock runs on from the first
        const Clock::time_point now = Clock::now();
        const double ranOn = sample_.playing ? Seconds(now - sample_.at).count() : 0.0;
        if (seconds > sample_.position + ranOn + jumpAhead || seconds < sample_.position - jumpBack)
            ++sample_.jumps;
        sample_.position = seconds;
        sample_.playing = playing;
        sample_.at = now;
        ++changes_;
    }
    wake_.notify_all();
}

void PlaybackDecoder::setCube(const CubePtr &cube)
{
    std::lock_guard lock(mutex_);
    cube_ = cube;
}

void PlaybackDecoder::setBox(QSize box)
{
    {
        std::lock_guard lock(mutex_);
        box_ = box;
        ++changes_;
    }
    wake_.notify_all();
}

double PlaybackDecoder::target(const Sample &sample, Clock::time_point now) const
{
    double t = sample.position;
    if (sample.playing)
        t += std::min(Seconds(now - sample.at).count(), coastAtMost);
    return length_ > 0.0 ? std::clamp(t, 0.0, length_) : std::max(t, 0.0);
}

void PlaybackDecoder::run()
{
    lowerThreadPriority(1);   // the window comes first, then the picture it shows
    bool ok = openDecoder() && waitForBudget();
    if (ok) {
        // The first picture proves the stream decodes; it is shown once the clock is known.
        const std::optional<double> first = decoder_->next();
        ok = first.has_value();
        decodedAt_ = first.value_or(-1.0);
    }
    auto opened = callbacks_.opened;
    QMetaObject::invokeMethod(context_, [opened, ok] { opened(ok); }, Qt::QueuedConnection);
    if (ok)
        play();
    decoder_.reset();
    if (budgetHeld_)
        DecodeBudget::playing().give(budgetHeld_);
}

bool PlaybackDecoder::openDecoder()
{
    auto decoder = std::make_unique<VideoDecoder>();
    VideoDecoder::Options options;
    options.threads = std::clamp(QThread::idealThreadCount(), 1, 4);   // slice threads hold no pictures
    options.fast = false;
    if (!decoder->open(path_, options))
        return false;
    const QSize size = decoder->displaySize();
    if (qint64(size.width()) * size.height() > fullQualityArea) {
        options.fast = true;
        if (!decoder->open(path_, options))
            return false;
    }
    length_ = decoder->duration();
    if (decoder->frameRate() > 0.0)
        interval_ = 1.0 / decoder->frameRate();
    decoder_ = std::move(decoder);
    return true;
}

// The decoder's pictures count against the budget of decoders kept open; the preview
// waits for its share (tiles still playing behind it give theirs back as they stop). A
// decoder larger than the whole budget goes alone.
bool PlaybackDecoder::waitForBudget()
{
    DecodeBudget &budget = DecodeBudget::playing();
    const qint64 bytes = std::min(decoder_->pictureMemory(), budget.limit());
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (budget.tryTake(bytes)) {
            budgetHeld_ = bytes;
            return true;
        }
        wake_.wait_for(lock, std::chrono::milliseconds(100));
    }
    return false;
}

void PlaybackDecoder::play()
{
    const double half = interval_ / 2;
    quint64 jumpsSeen = 0;
    {
        std::lock_guard lock(mutex_);
        jumpsSeen = sample_.jumps;
    }
    double settled = std::numeric_limits<double>::quiet_NaN();   // paused position whose frame is up
    bool wasPlaying = false;
    QSize firstBox;
    {
        std::lock_guard lock(mutex_);
        firstBox = box_;
    }
    ahead_.push_back({decodedAt_, picture(firstBox)});   // the first frame, up once its time comes
    for (;;) {
        Sample s;
        QSize box;
        quint64 seen;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            s = sample_;
            box = box_;
            seen = changes_;
        }
        const double t = target(s, Clock::now());
        auto idle = [&](double seconds) {
            std::unique_lock lock(mutex_);
            const auto most = std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
            wake_.wait_for(lock, most, [&] { return stopping_ || changes_ != seen; });
        };
        constexpr double forever = 3600.0;

        if (s.jumps != jumpsSeen) {
            jumpsSeen = s.jumps;
            ended_ = wasPlaying = false;
            settled = std::numeric_limits<double>::quiet_NaN();
            decodedAt_ = catchUp_ = -1.0;
            ahead_.clear();
            decoder_->setSkipNonReference(false);
            if (s.playing) {
                decoder_->seek(t);
                catchUp_ = t;
            }
            continue;
        }

        if (!s.playing) {
            if (s.position == settled && box == shownBox_) {
                idle(forever);
                continue;
            }
            // Paused while playing: the picture on screen is where the user stopped.
            if (wasPlaying && shownAt_ >= 0.0 && std::abs(shownAt_ - t) <= coastAtMost && box == shownBox_) {
                wasPlaying = false;
                settled = s.position;
                continue;
            }
            wasPlaying = false;
            ahead_.clear();
            catchUp_ = -1.0;
            // The exact frame at the position: from the frame in hand when it lies ahead
            // nearby, else from the key frame before it.
            const bool current = decodedAt_ >= 0.0 && (std::abs(decodedAt_ - t) <= half || (ended_ && t >= decodedAt_));
            if (!current) {
                if (decodedAt_ < 0.0 || t < decodedAt_ || t - decodedAt_ > 1.0) {
                    decoder_->seek(t);
                    ended_ = false;
                }
                decoder_->setSkipNonReference(false);
                const std::optional<double> at = decoder_->decodeTo(t, half);
                if (!at) {
                    decodedAt_ = -1.0;
                    ended_ = true;
                    settled = s.position;
                    continue;
                }
                decodedAt_ = *at;
                ended_ = *at < t - half;
            }
            show(box);
            settled = s.position;
            continue;
        }

        wasPlaying = true;
        settled = std::numeric_limits<double>::quiet_NaN();
        playOn(t, box, idle);
    }
}

// One step of playing: shows the picture that is due, else decodes the next frame (when
// there is room ahead), else waits for the next picture's time.
void PlaybackDecoder::playOn(double t, QSize box, const std::function<void(double)> &idle)
{
    constexpr double due = 0.005;
    constexpr double forever = 3600.0;
    if (!ahead_.empty() && ahead_.front().time <= t + due) {
        // Of the pictures due, the newest is shown; the others are late.
        while (ahead_.size() > 1 && ahead_[1].time <= t + due) {
            ahead_.pop_front();
            ++dropped_;
        }
        shownAt_ = ahead_.front().time;
        shownBox_ = box;
        present(std::move(ahead_.front().image));
        ahead_.pop_front();
        return;
    }
    if (ended_ || ahead_.size() >= aheadAtMost) {
        idle(ahead_.empty() ? forever : ahead_.front().time - t);   // the last picture stays up at the end
        return;
    }
    if (decodedAt_ >= 0.0 && catchUp_ < 0.0 && t - decodedAt_ > farBehind) {
        // Decoding on would only make frames that are dropped: the next key frame past
        // the clock is shown when its time comes.
        if (const std::optional<double> key = decoder_->seekKeyAtOrAfter(t)) {
            catchUp_ = *key;
            decodedAt_ = -1.0;
            dropped_ += qint64(ahead_.size());
            ahead_.clear();
        }
    }
    decoder_->setSkipNonReference(decodedAt_ >= 0.0 && t - decodedAt_ > 4 * interval_);
    const Clock::time_point started = Clock::now();
    const std::optional<double> at = decoder_->next();
    decodeTime_ = 0.8 * decodeTime_ + 0.2 * Seconds(Clock::now() - started).count();
    if (!at) {
        ended_ = true;
        return;
    }
    decodedAt_ = *at;
    if (catchUp_ >= 0.0) {
        if (decodedAt_ < catchUp_ - interval_ / 2)
            return;   // on the way from the key frame to where the jump landed
        catchUp_ = -1.0;
    } else if (decodedAt_ + interval_ < t && decodeTime_ < interval_) {
        // Late, and the decoder keeps up: the frames due next come in time.
        ++dropped_;
        return;
    }
    // Late frames of a decoder that cannot keep up are shown: slower, but moving.
    ahead_.push_back({std::max(decodedAt_, std::min(t, decodedAt_ + farBehind)), picture(box)});
}

QImage PlaybackDecoder::picture(QSize box)
{
    return box.isEmpty() ? QImage() : decoder_->image(box, VideoDecoder::Scale::Fit);
}

// Graded as it goes up, so a picture dropped on the way costs no grading and a table
// chosen meanwhile applies at once.
void PlaybackDecoder::present(QImage image)
{
    if (image.isNull())
        return;
    CubePtr cube;
    {
        std::lock_guard lock(mutex_);
        cube = cube_;
    }
    if (cube)
        cube->applyRGBA(image.bits(), image.width(), image.height(), image.bytesPerLine());
    callbacks_.shown(image);
}

// Shows the frame in the decoder now (paused).
void PlaybackDecoder::show(QSize box)
{
    shownAt_ = decodedAt_;
    shownBox_ = box;
    present(picture(box));
}

} // namespace vidorra
