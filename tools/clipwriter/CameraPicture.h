#pragma once
// The picture of camera-like footage: a detailed landscape seen through a hand-held camera,
// so the whole picture moves every frame, with the sensor's grain on top. Nothing stays
// still from one frame to the next, so an encoder cannot make it cheap, as with real
// footage. Video-range BT.709 YUV 4:2:0.

#include <QtGlobal>
#include <vector>

struct AVFrame;

namespace vidorra::fixture {

class CameraPicture {
public:
    // A picture of width x height (even) at `fps`; `flat` gives the pale look of log
    // footage.
    CameraPicture(int width, int height, double fps, bool flat);

    // Draws frame `index` into `frame`: yuv420p10le or yuv420p, of the picture's size.
    // The same index always gives the same picture.
    void draw(AVFrame *frame, int index) const;

private:
    int width_, height_, margin_;
    double fps_;
    int stride_;                   // of the scenery: the picture plus a margin all round
    std::vector<quint16> luma_;    // 10-bit scenery the camera pans over
    std::vector<quint16> cb_, cr_; // at half size
};

} // namespace vidorra::fixture
