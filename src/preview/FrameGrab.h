#pragma once
// A still frame taken from a clip's video for its thumbnail.

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace vidorra {

// Where the thumbnail frame is taken: a tenth of the duration, never after 1 s, never
// before 0.
double coverFrameTime(double duration);

// The frame from the key frame nearest to `seconds` (the tolerance a frame generator
// allows by default, and what makes this cheap) of the video file at `path`, fitted
// inside `box` keeping the aspect ratio, rotated upright. Nothing when the file has no
// decodable video.
std::optional<QImage> grabFrame(const QString &path, double seconds, QSize box = {520, 520});

// The same for a clip, read from its proxy where it has one (see previewSource), else
// from the clip.
std::optional<QImage> grabClipFrame(const QString &clip, double seconds, QSize box = {520, 520});

} // namespace vidorra
