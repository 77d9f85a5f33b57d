#pragma once
// A frame of the full-size player as an 8-bit RGBA image at the size it is shown,
// converted and scaled in one pass straight from the frame's planes: grading then works
// on the pixels shown, not on a 4K picture.

#include <QImage>
#include <QSize>

class QVideoFrame;

namespace vidorra {

class PictureScaler;

// `frame` fitted inside `box` (keeping its aspect ratio, never enlarged), as
// Format_RGBA8888; the frame's own size for an empty box. Null when the frame does not map.
QImage shownImage(const QVideoFrame &frame, QSize box, PictureScaler &scaler);

} // namespace vidorra
