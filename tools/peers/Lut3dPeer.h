#pragma once
// FFmpeg's lut3d filter (trilinear interpolation, one thread) on RGBA frames: the peer
// our grading is checked and timed against.

#include <QImage>
#include <QString>
#include <memory>

namespace vidorra::peer {

// An RGBA frame to grade: the sample card's flat log landscape over the top two thirds,
// colours at random below, so a comparison covers footage and every corner of the cube.
QImage gradingFrame(int width, int height);
// A rough creative look of size n, random entries reaching past 0..1, as .cube text.
QByteArray roughTable(int n);
// The largest difference of two RGBA frames of one size in red, green or blue (0..255).
int largestDifference(const QImage &a, const QImage &b);

class Lut3d {
public:
    // buffer -> lut3d(file, interp=trilinear) -> buffersink for width x height RGBA frames.
    Lut3d(const QString &cubePath, int width, int height);
    ~Lut3d();
    Lut3d(const Lut3d &) = delete;
    Lut3d &operator=(const Lut3d &) = delete;

    // The filter graph was built; the reason when it was not.
    bool ok() const;
    QString error() const;

    // `frame` (RGBA8888, the size given) graded; a null image on failure.
    QImage apply(const QImage &frame);
    // Time the last apply spent inside the filter, wall and thread CPU, in milliseconds.
    double wallMs() const;
    double cpuMs() const;

private:
    struct Graph;
    std::unique_ptr<Graph> graph;
};

} // namespace vidorra::peer
