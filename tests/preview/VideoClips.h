#pragma once
// What the thumbnail and player tests share: small real-video clips, a way to read which
// frame a picture shows, and waiting on a condition while events run.
#include <ClipFixture.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>

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

// A clip of videoSpec(duration), written once for the whole run.
inline QString clipPath(double duration)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("clip_%1.mp4").arg(duration));
    if (!QFile::exists(name)) {
        EXPECT_TRUE(fixture::writeClip(name, videoSpec(duration)));
    }
    return name;
}

inline int frameNumber(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return fixture::frameNumberOf(rgba.constBits(), rgba.width(), rgba.height(), rgba.bytesPerLine());
}

inline bool waitFor(const std::function<bool()> &condition, int ms = 20000)
{
    return QTest::qWaitFor(condition, ms);
}

} // namespace vidorra::test
