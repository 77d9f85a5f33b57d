#pragma once
// What the thumbnail and player tests share: small real-video clips and a way to read
// which frame a picture shows.
#include <ClipFixture.h>

#include <QImage>

namespace vidorra::test {

// 320 x 180 H.264 at 10 frames a second, a key frame every second, in a 1280 x 720 clip.
inline fixture::ClipSpec videoSpec(double duration)
{
    fixture::ClipSpec spec;
    spec.realVideo = true;
    spec.width = 1280;
    spec.height = 720;
    spec.videoWidth = 320;
    spec.videoHeight = 180;
    spec.fps = 10;
    spec.timescale = 10000;
    spec.duration = duration;
    return spec;
}

inline int frameNumber(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return fixture::frameNumberOf(rgba.constBits(), rgba.width(), rgba.height(), rgba.bytesPerLine());
}

} // namespace vidorra::test
