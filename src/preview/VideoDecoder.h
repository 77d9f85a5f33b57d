#pragma once
// One clip's video stream through FFmpeg: open, seek, decode frame by frame and turn a
// frame into a small RGBA image at the size it is shown (scaled by swscale, rotation
// applied). Not thread-safe: one thread uses one decoder at a time.

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

namespace vidorra {

class VideoDecoder {
public:
    enum class Scale { Fit, Fill };   // inside the box, or covering it (crop later)

    struct Options {
        int threads = 1;           // decoder threads
        bool fast = true;          // skip the loop filter and allow non-spec speedups
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

    // While set, frames nothing else depends on are not decoded (catching up when late).
    void setSkipNonReference(bool skip);

    // The last decoded frame as Format_RGBA8888 scaled to `box` (which is given upright:
    // the rotation is applied) keeping the aspect ratio; never larger than the frame.
    QImage image(QSize box, Scale scale = Scale::Fit);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vidorra
