#include "preview/ScrubDecoder.h"

#include "preview/PreviewSource.h"
#include "preview/ThreadPriority.h"
#include "preview/VideoDecoder.h"

#include <QMetaObject>
#include <cmath>

namespace vidorra {

struct ScrubDecoder::Current {
    quint64 generation = 0;
    CubePtr cube;
    VideoDecoder decoder;
};

ScrubDecoder::ScrubDecoder(QObject *context, Callbacks callbacks, double tolerance)
    : context_(context), callbacks_(std::move(callbacks)), tolerance_(tolerance), thread_([this] { run(); })
{
}

ScrubDecoder::~ScrubDecoder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    interrupt();
    wake_.notify_all();
    thread_.join();
}

void ScrubDecoder::open(quint64 generation, const QString &clip, const CubePtr &cube)
{
    {
        std::lock_guard lock(mutex_);
        openRequest_ = Open{generation, clip, cube};
        seekRequest_.reset();
        closeRequest_ = false;
    }
    interrupt();
    wake_.notify_all();
}

void ScrubDecoder::close()
{
    {
        std::lock_guard lock(mutex_);
        openRequest_.reset();
        seekRequest_.reset();
        closeRequest_ = true;
    }
    interrupt();
    wake_.notify_all();
}

void ScrubDecoder::seek(quint64 generation, double seconds, QSize box)
{
    {
        std::lock_guard lock(mutex_);
        seekRequest_ = Seek{generation, seconds, box, ++issued_};
    }
    wake_.notify_all();
}

void ScrubDecoder::post(std::function<void()> call)
{
    // `context_` owns this decoder and joins the thread before it goes.
    QMetaObject::invokeMethod(context_, std::move(call), Qt::QueuedConnection);
}

void ScrubDecoder::run()
{
    lowerThreadPriority(2);   // below the window, above the decorative tiles
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || openRequest_ || seekRequest_ || closeRequest_; });
        if (stopping_)
            return;
        if (closeRequest_) {
            closeRequest_ = false;
            std::unique_ptr<Current> gone = std::move(current_);
            lock.unlock();
            gone.reset();   // a 4K decoder's pictures go back now, not with the next clip
            lock.lock();
        } else if (openRequest_) {
            const Open request = std::move(*openRequest_);
            openRequest_.reset();
            lock.unlock();
            openNow(request);
            lock.lock();
        } else {
            const Seek request = *seekRequest_;
            seekRequest_.reset();
            lock.unlock();
            seekNow(request);
            lock.lock();
        }
    }
}

void ScrubDecoder::openNow(const Open &request)
{
    current_.reset();
    auto current = std::make_unique<Current>();
    current->generation = request.generation;
    current->cube = request.cube;
    // Two slice threads: a 4K key frame is the one picture the pointer waits for.
    const VideoDecoder::Options options{2, true, true};
    const PreviewChoice source = previewSource(request.clip);
    bool ok = current->decoder.open(source.path, options);
    if (!ok && source.proxy)
        ok = current->decoder.open(request.clip, options);
    const double length = ok ? current->decoder.duration() : 0.0;
    if (ok)
        current_ = std::move(current);
    const quint64 generation = request.generation;
    auto opened = callbacks_.opened;
    post([opened, generation, ok, length] { opened(generation, ok, length); });
}

QImage ScrubDecoder::picture(QSize box)
{
    QImage frame = current_->decoder.image(box, VideoDecoder::Scale::Fill);
    if (!frame.isNull() && current_->cube)
        current_->cube->applyRGBA(frame.bits(), frame.width(), frame.height(), frame.bytesPerLine());
    return frame;
}

void ScrubDecoder::seekNow(const Seek &request)
{
    const quint64 generation = request.generation;
    auto shown = callbacks_.shown;
    auto done = callbacks_.done;
    auto finish = [&] { post([done, generation] { done(generation); }); };
    if (!current_ || current_->generation != generation) {
        finish();
        return;
    }
    VideoDecoder &decoder = current_->decoder;
    const double target = request.seconds;
    const std::optional<double> key = decoder.keyFrame(target);
    if (key) {
        const QImage frame = picture(request.box);
        post([shown, generation, frame] { shown(generation, frame); });
    }
    if (key && std::abs(*key - target) <= tolerance_) {
        finish();
        return;
    }
    // The exact frame, from the key frame at or before the target, unless a newer
    // request cuts it short.
    std::optional<double> last;
    if (!cutShort(request) && decoder.seek(target)) {
        for (;;) {
            if (cutShort(request)) {
                last.reset();
                break;
            }
            const std::optional<double> t = decoder.next();
            if (!t)
                break;   // the target lies past the last frame: that frame is the nearest
            last = t;
            if (*t >= target - tolerance_)
                break;
        }
    }
    if (last) {
        const QImage frame = picture(request.box);
        post([shown, generation, frame] { shown(generation, frame); });
    }
    finish();
}

} // namespace vidorra
