#pragma once
// Real, decodable video for fixture clips: frames drawn with their number in their
// pixels, encoded with libavcodec into MP4 samples.

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

namespace vidorra::fixture {

struct EncodedVideo {
    QByteArray sampleEntry;     // the stsd entry box (avc1 with avcC, hvc1 with hvcC, or mp4v with esds)
    QList<QByteArray> samples;  // one per frame, in decode order (no B-frames)
    QList<quint32> syncSamples; // 1-based numbers of the keyframes
};

enum class VideoCodec {
    H264,       // falls back to MPEG-4 Part 2 without an H.264 encoder
    Mpeg4,      // MPEG-4 Part 2
    Hevc10,     // HEVC Main 10 through libx265, 10-bit 4:2:0; no fallback
};

// Encodes `frames` frames of width x height at `fps` with `codec`; a keyframe every
// second. Results are cached per size, rate, count, codec and picture, so repeated
// fixtures cost nothing. `scene` >= 0 draws a moving landscape instead of the numbered
// pattern (for sample cards a person looks at); `flat` gives it the low-contrast look of
// log footage. Null when the encoder is missing or fails; `error` then says why.
std::shared_ptr<const EncodedVideo> encodeVideo(int width, int height, double fps, int frames, VideoCodec codec,
                                                int scene = -1, bool flat = false, QString *error = nullptr);

} // namespace vidorra::fixture
