#pragma once
// Real, decodable video for fixture clips: frames drawn with their number in their
// pixels, encoded with libavcodec into MP4 samples.

#include <QByteArray>
#include <QList>
#include <memory>

namespace vidorra::fixture {

struct EncodedVideo {
    QByteArray sampleEntry;     // the stsd entry box (avc1 with avcC, or mp4v with esds)
    QList<QByteArray> samples;  // one per frame, in decode order (no B-frames)
    QList<quint32> syncSamples; // 1-based numbers of the keyframes
};

// Encodes `frames` frames of width x height at `fps`; a keyframe every second. H.264
// unless `mpeg4` asks for MPEG-4 Part 2 (also the fallback without an H.264 encoder).
// Results are cached per size, rate, count and codec, so repeated fixtures cost nothing.
// `scene` >= 0 draws a moving landscape instead of the numbered pattern (for sample
// cards a person looks at); `flat` gives it the low-contrast look of log footage.
// Null when no encoder works.
std::shared_ptr<const EncodedVideo> encodeVideo(int width, int height, double fps, int frames, bool mpeg4,
                                                int scene = -1, bool flat = false);

} // namespace vidorra::fixture
