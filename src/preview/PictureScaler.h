#pragma once
// Turns a decoded picture (planes in one of FFmpeg's pixel formats) into 8-bit RGBA at
// the size it is shown, in one swscale pass: a 4K frame never exists as a 4K RGBA image.
// Keeps its swscale context between pictures of the same shape. One thread at a time.

#include <QImage>
#include <QSize>
#include <cstdint>

struct SwsContext;

namespace vidorra {

struct PlanarPicture {
    const uint8_t *const *planes = nullptr;
    const int *strides = nullptr;
    int format = -1;        // AVPixelFormat
    int width = 0, height = 0;
    int colorspace = 2;     // AVColorSpace; unspecified (2) means BT.709 for HD and up
    bool fullRange = false;
};

class PictureScaler {
public:
    PictureScaler() = default;
    ~PictureScaler();
    PictureScaler(const PictureScaler &) = delete;
    PictureScaler &operator=(const PictureScaler &) = delete;

    // The picture as Format_RGBA8888 of exactly `size`; null when the format is not one
    // swscale reads or the picture is empty.
    QImage scale(const PlanarPicture &picture, QSize size);

private:
    SwsContext *sws = nullptr;
};

// `frame` scaled into `box` keeping its aspect ratio, inside it (fit) or covering it
// (fill); never larger than the frame, never empty. An empty box gives the frame's size.
QSize scaledSize(QSize frame, QSize box, bool fill);

} // namespace vidorra
