#pragma once
// One clip's video stream through FFmpeg: open, seek, decode frame by frame and turn a
// frame into a small RGBA image at the size it is shown (scaled by swscale, rotation
// applied). Decodes on the graphics hardware when the machine has a device that takes
// the stream, and in software otherwise or as soon as the device fails before the first
// picture. Its memory is bounded: slice threads only (frame threads would each hold
// pictures of their own), one decoded frame kept. Not thread-safe: one thread uses one
// decoder at a time.

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace vidorra {

class VideoDecoder {
public:
    enum class Scale { Fit, Fill };   // inside the box, or covering it (crop later)

    struct Options {
        int threads = 1;           // slice threads
        bool fast = true;          // skip the loop filter and allow non-spec speedups
        bool hardware = true;      // try the graphics hardware first
    };

    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder &) = delete;
    VideoDecoder &operator=(const VideoDecoder &) = delete;

    bool open(const QString &path, Options options);
    bool open(const QString &path) { return open(path, Options{}); }
    bool isOpen() const;

    double duration() const;        // seconds; 0 when unknown
    double frameRate() const;       // frames per second; 0 when unknown
    int rotation() const;           // clockwise degrees to show the frame upright: 0/90/180/270
    QSize displaySize() const;      // coded size with rotation applied
    // Times of the key frames in seconds, in order, as the file's index lists them (may
    // be empty when it lists none).
    std::vector<double> keyFrames() const;
    // The most memory the decoder of this stream may hold in pictures (its references and
    // the ones on their way out), for budgets; 0 when not open.
    qint64 pictureMemory() const;

    // Positions before the key frame at or before `seconds`; the next frames decoded
    // start there.
    bool seek(double seconds);
    // Positions on the key frame nearest to `seconds` (before or after), so one decode
    // gives a frame close to that time.
    bool seekNearestKey(double seconds);
    // Positions on the first key frame at or after `seconds`; its time, or nothing when
    // there is none (the position is then unchanged).
    std::optional<double> seekKeyAtOrAfter(double seconds);
    // Decodes the next frame; its time in seconds, or nothing at the end or on an error.
    std::optional<double> next();
    // Decodes until a frame at or after `seconds - tolerance` (or the last frame when the
    // stream ends first); its time, or nothing when no frame decodes.
    std::optional<double> decodeTo(double seconds, double tolerance);
    // Decodes the key frame nearest to `seconds` and nothing else: the frames a decoder
    // reads ahead to put pictures in display order are not decoded. Its time, or nothing.
    // Seek before decoding on with next().
    std::optional<double> keyFrame(double seconds);

    // While set, frames nothing else depends on are not decoded (catching up when late).
    void setSkipNonReference(bool skip);
    // Gives back every picture and buffer of the decoder, keeping the file open: a 4K
    // decoder between two key frames holds nothing. The next seek starts it again.
    void release();

    // The last decoded frame as Format_RGBA8888 scaled to `box` (which is given upright:
    // the rotation is applied) keeping the aspect ratio; never larger than the frame.
    QImage image(QSize box, Scale scale = Scale::Fit);

    // Which decoder runs: the hardware device's name ("VA-API") or "software".
    QString decoderName() const;
    // Why the hardware is not used, when it is not; empty when it is.
    QString hardwareNote() const;
    QString codecName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vidorra
