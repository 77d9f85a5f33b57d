#pragma once
// One video stream through libavcodec, frame by frame, into MP4 samples: H.264 (libx264
// preferred), HEVC Main 10 (libx265) or FFmpeg's native MPEG-4 Part 2, with no B-frames
// and a key frame every second. The caller draws each picture into canvas() and sends it.

#include "VideoEncoder.h"

#include <QString>
#include <memory>

struct AVFrame;

namespace vidorra::fixture {

struct StreamSettings {
    VideoCodec codec = VideoCodec::H264;
    int width = 0, height = 0;       // odd sizes round up (4:2:0)
    double fps = 30.0;
    // Average bits per second held by the rate control; 0 keeps the encoder's default
    // constant quality.
    qint64 bitRate = 0;
    // The encoder's speed preset; "ultrafast" unless a stream must look like a camera's.
    const char *preset = "ultrafast";
    // One frame in, one out (no look-ahead, no frame threads): small fixtures come back
    // at once. Off, the encoder may use more threads and look ahead.
    bool lowLatency = true;
    // Tags the stream as BT.709 video range (the camera's HD and 4K footage); otherwise
    // the colour description is left unspecified.
    bool bt709 = false;
};

class StreamEncoder {
public:
    explicit StreamEncoder(const StreamSettings &settings);
    ~StreamEncoder();
    StreamEncoder(const StreamEncoder &) = delete;
    StreamEncoder &operator=(const StreamEncoder &) = delete;

    // Empty while all is well, else why the stream cannot be made.
    QString error() const;
    // The picture to draw the next frame into: the encoder's pixel format (yuv420p, or
    // yuv420p10le for HEVC) and size, writable. Null after an error.
    AVFrame *canvas();
    // Encodes the canvas as the next frame.
    bool send();
    // Flushes the encoder and returns the stream; null (with error() set) when it failed or
    // did not give back one sample per frame sent.
    std::shared_ptr<EncodedVideo> finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vidorra::fixture
