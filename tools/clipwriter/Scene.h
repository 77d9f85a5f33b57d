#pragma once
// The moving landscape of sample-card clips: a sky whose colour depends on the scene
// number, a sun that crosses it over the clip and hills that drift by. Log footage looks
// flat and pale. The encoder draws it and tests compare decoded pictures with it.

#include <QtGlobal>

namespace vidorra::fixture::scene {

// Writes row `y` of frame `index` (at `fps`) of a width x height picture as 8-bit RGB
// triples into `rgb` (3 * width bytes).
void row(uchar *rgb, int y, int width, int height, int index, int scene, bool flat, double fps);

} // namespace vidorra::fixture::scene
