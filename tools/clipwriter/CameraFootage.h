#pragma once
// Camera-like footage for benchmarks and for trying the application as a camera owner
// would: video like the camera records it (3840x2160, 2688x1512, 1920x1080 or portrait,
// 10-bit HEVC at 100-150 Mbit/s, moving and grainy in every pixel, a key frame every
// second) and beside it the low-resolution H.264 proxy (.LRF) of the same frames.
// Encoding such video is slow, so each description is encoded once into a cache folder;
// clips then reuse its bytes under any name and metadata.

#include "ClipFixture.h"
#include "VideoEncoder.h"

#include <QSize>
#include <QString>
#include <memory>
#include <optional>

namespace vidorra::fixture {

struct Footage {
    int width = 3840, height = 2160;
    VideoCodec codec = VideoCodec::Hevc10;   // or H264 (8-bit, as the camera's normal profile)
    double fps = 30.0;                       // the rate it is encoded at
    int frames = 120;                        // 4 s at 30 fps: four one-second groups
    int megabits = 120;                      // average bit rate of the clip
};

// The proxy's size for a clip of width x height: 1280 on the long side (the clip's own
// when smaller), the aspect kept.
QSize proxySize(int width, int height);
inline constexpr int proxyMegabits = 4;

// The clip's stream and its proxy's (H.264 at proxySize, proxyMegabits): the same frames.
struct FootageStreams {
    Footage footage;
    std::shared_ptr<const EncodedVideo> clip, proxy;
};

// $VIDORRA_FOOTAGE_CACHE when set, else footage-cache in the build folder.
QString defaultFootageCache();
// The file in `cacheDir` that holds `footage`; its name carries every parameter, so a
// change of parameters encodes anew.
QString footageCacheFile(const Footage &footage, const QString &cacheDir);

// The footage's streams, read from `cacheDir` or encoded (minutes for 4K on two cores)
// and stored there first. A cache file that does not read back whole is encoded again.
// Nothing, with `error` set, when the encoders are missing or fail.
std::optional<FootageStreams> cameraFootage(const Footage &footage, const QString &cacheDir = defaultFootageCache(),
                                            QString *error = nullptr);

// Writes a clip at `path` with `spec`'s metadata, layout and cover around the footage's
// video, spec.duration * spec.fps frames long (the footage repeats its one-second groups
// when the clip is longer), and with `withProxy` the proxy beside it with the same name
// and the extension LRF, as long. Replaces files already there. False, with `error` set,
// when a file cannot be written (nothing is left behind then).
bool writeCameraClip(const QString &path, ClipSpec spec, const FootageStreams &streams, bool withProxy,
                     QString *error = nullptr);

// The first `frames` frames of `video`, starting again at its first frame when it runs out
// (it must start with a key frame and its groups must be closed, as footage is).
std::shared_ptr<const EncodedVideo> loopedVideo(const EncodedVideo &video, int frames);

} // namespace vidorra::fixture
