#include "preview/TileJob.h"

#include "preview/DecodeBudget.h"
#include "preview/PreviewSource.h"
#include "preview/TilePlayer.h"
#include "preview/VideoDecoder.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>

namespace vidorra {

namespace {

using Seconds = std::chrono::duration<double>;

// A decoder that may hold more pictures than this (a 4K one, about 200 MB) is never kept
// open for a tile: such a tile shows key frames.
constexpr qint64 playingCeiling = 64LL << 20;
// Frames one turn may decode before the next tile's turn.
constexpr int framesPerTurn = 8;
// Further behind than this, decoding on is hopeless: jump to the next key frame.
constexpr double farBehind = 0.5;
// A tile still catching up shows what it has after this long without a new picture.
constexpr auto keepMoving = std::chrono::milliseconds(250);

std::atomic<quint64> lastId{0};


TileJob::Time at(TileJob::Time base, double seconds)
{
    return base + std::chrono::duration_cast<TileQueue::Clock::duration>(Seconds(std::max(0.0, seconds)));
}

int nearestIndex(const std::vector<double> &times, double t)
{
    int best = 0;
    for (int i = 1; i < int(times.size()); ++i) {
        if (std::abs(times[size_t(i)] - t) < std::abs(times[size_t(best)] - t))
            best = i;
    }
    return best;
}

} // namespace

TileJob::TileJob(const QString &clip, double duration, double start)
    : id(++lastId), clip_(clip), metadataDuration_(duration), start_(start), shown_(TileQueue::Clock::now())
{
}

TileJob::~TileJob()
{
    close();
}

void TileJob::close()
{
    decoder_.reset();
    if (budgetHeld_)
        DecodeBudget::playing().give(budgetHeld_);
    budgetHeld_ = 0;
}

void TileJob::link(TilePlayer *player)
{
    std::lock_guard lock(mutex_);
    player_ = player;
}

void TileJob::stop()
{
    std::lock_guard lock(mutex_);
    player_ = nullptr;
    stopped_ = true;
}

TileJob::Mail TileJob::collect()
{
    std::lock_guard lock(mutex_);
    Mail mail{std::move(mailFrame_), mailRestarts_};
    mailFrame_ = QImage();
    mailRestarts_ = 0;
    mailPosted_ = false;
    return mail;
}

QSize TileJob::box()
{
    std::lock_guard lock(mutex_);
    return player_ ? player_->targetSize() : QSize();
}

// Leaves the newest picture for the main thread, with at most one call on its way there:
// a main thread that is behind gets fewer pictures, never a queue of them.
void TileJob::post(const QImage &frame, bool restarted)
{
    std::lock_guard lock(mutex_);
    if (!player_ || stopped_)
        return;
    if (!frame.isNull())
        mailFrame_ = frame;
    if (restarted)
        ++mailRestarts_;
    if (mailPosted_)
        return;
    mailPosted_ = true;
    TilePlayer *target = player_;   // alive: it unlinks under this lock before it goes
    QMetaObject::invokeMethod(target, [target] { target->deliver(); }, Qt::QueuedConnection);
}

void TileJob::show(VideoDecoder &decoder, Time now)
{
    const QSize size = box();
    if (size.isEmpty())
        return;
    const QImage frame = decoder.image(size, VideoDecoder::Scale::Fill);
    shown_ = std::max(now, TileQueue::Clock::now());
    post(frame, false);
}

TileJob::Outcome TileJob::turn(Time now)
{
    if (stopped_)
        return {true, now};
    if (!prepared_) {
        prepared_ = true;
        return {!prepare(), now};
    }
    return playing_ ? playTurn(now) : keyTurn(now);
}

bool TileJob::prepare()
{
    const PreviewChoice choice = previewSource(clip_);
    auto decoder = std::make_unique<VideoDecoder>();
    source_ = choice.path;
    if (!decoder->open(source_)) {
        if (!choice.proxy || !decoder->open(clip_))
            return false;
        source_ = clip_;
    }
    length_ = decoder->duration() > 0.0 ? decoder->duration() : metadataDuration_;
    if (decoder->frameRate() > 0.0)
        interval_ = 1.0 / decoder->frameRate();
    keys_ = decoder->keyFrames();
    if (keys_.empty())
        keys_.push_back(0.0);
    const qint64 bytes = decoder->pictureMemory();
    decoder_ = std::move(decoder);
    playing_ = bytes <= playingCeiling && DecodeBudget::playing().tryTake(bytes);
    if (!playing_) {
        decoder_->release();   // started again for each key frame
        return true;
    }
    budgetHeld_ = bytes;
    seekTarget_ = start_;
    if (start_ > 0.0) {
        decoder_->seek(start_);
        decoder_->setSkipNonReference(true);   // only the frames the start frame needs
    }
    return true;
}

TileJob::Outcome TileJob::playTurn(Time now)
{
    const double expected = clockSet_ ? mediaBase_ + Seconds(now - wallBase_).count() : seekTarget_;
    if (clockSet_ && expected - decodedAt_ > farBehind) {
        // Decoding on would only make frames that are dropped: jump to the next key frame
        // past where playback should be. Its time lies ahead; its picture resets the clock.
        if (const std::optional<double> key = decoder_->seekKeyAtOrAfter(expected)) {
            clockSet_ = false;
            seekTarget_ = *key;
            decodedSinceSeek_ = 0;
        }
    }
    if (clockSet_)
        decoder_->setSkipNonReference(expected - decodedAt_ > 4 * interval_);
    for (int i = 0; i < framesPerTurn; ++i) {
        const std::optional<double> t = decoder_->next();
        if (!t)
            return restart(now);
        ++decodedSinceSeek_;
        decodedAt_ = *t;
        if (!clockSet_) {
            if (*t < seekTarget_ - 0.02)
                continue;   // catching up to where the seek was meant to land
            // The first frame from a seek sets the clock, so the time the seek took never
            // counts as lateness.
            decoder_->setSkipNonReference(false);
            show(*decoder_, now);
            clockSet_ = true;
            wallBase_ = shown_;
            mediaBase_ = *t;
            return {false, at(wallBase_, interval_)};
        }
        // A frame or two late (a turn came late): drop them and show the one due now. Further
        // behind, the machine cannot keep up: show every frame decoded, slower but moving,
        // until far enough behind to jump.
        const double lateBy = expected - (*t + interval_);
        if (lateBy > 0.0 && lateBy < 3 * interval_ && i + 1 < framesPerTurn)
            continue;
        bool waiting;
        {
            std::lock_guard lock(mutex_);
            waiting = mailPosted_;
        }
        // A picture the main thread has not taken yet makes this one pointless, unless the
        // tile has shown nothing new for a while.
        if (!waiting || TileQueue::Clock::now() - shown_ >= keepMoving)
            show(*decoder_, now);
        return {false, at(wallBase_, *t + interval_ - mediaBase_)};
    }
    return {false, now};
}

// The end of the clip: the last picture stays up and playback starts again at 0.
TileJob::Outcome TileJob::restart(Time now)
{
    if (decodedSinceSeek_ == 0)
        return {true, now};   // nothing decodes from here on: the clip is broken
    decoder_->seek(0.0);
    decoder_->setSkipNonReference(false);
    seekTarget_ = 0.0;
    clockSet_ = false;
    decodedSinceSeek_ = 0;
    decodedAt_ = -1.0;
    post({}, true);
    return {false, now};
}

TileJob::Outcome TileJob::keyTurn(Time now)
{
    // A new picture every turn: the key frame nearest where playback should be, or the
    // one after the picture on screen when that is the same.
    int index = nearestIndex(keys_, start_);
    bool restarted = false;
    if (clockSet_) {
        index = std::max(nearestIndex(keys_, mediaBase_ + Seconds(now - wallBase_).count()), keyShown_ + 1);
        if (index >= int(keys_.size()) || keys_[size_t(index)] >= length_) {
            index = 0;
            restarted = true;
        }
    }
    {
        const BudgetShare share(DecodeBudget::shortLived(), decoder_->pictureMemory());
        if (stopped_)
            return {true, now};
        const bool decoded = decoder_->keyFrame(keys_[size_t(index)]).has_value();
        const QSize size = box();
        const QImage frame = decoded && !size.isEmpty() ? decoder_->image(size, VideoDecoder::Scale::Fill) : QImage();
        decoder_->release();
        if (!decoded && keyShown_ < 0)
            return {true, now};   // not even one picture: the clip is broken
        shown_ = TileQueue::Clock::now();
        post(frame, restarted);
    }
    clockSet_ = true;
    wallBase_ = shown_;
    mediaBase_ = keys_[size_t(index)];
    keyShown_ = index;
    const double nextKey = index + 1 < int(keys_.size()) ? keys_[size_t(index) + 1] : length_;
    return {false, at(wallBase_, std::max(nextKey - mediaBase_, interval_))};
}

} // namespace vidorra
