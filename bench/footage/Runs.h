#pragma once
// The parts of the footage benchmark; each prints its figures and returns false only when
// it could not run at all (a missed target is a figure, not a failure).

#include "FootageCard.h"

namespace vidorra::bench {

// Sixteen clips in the intro mosaic for `minutes`: frames shown per tile, the longest
// time a tile goes without a new picture, main-thread stalls, resident memory.
bool runTiles(const FootageCard &card, bool proxies, double minutes);
// Hover scrubbing across a clip card, 20 pointer positions a second for 5 s.
bool runScrub(const FootageCard &card);
// The decoded-frame thumbnail of a clip without a cover against ffmpegthumbnailer.
bool runThumbnail(const FootageCard &card);
// The full-size preview of the long D-Log clip, Color off and on.
bool runPreview(const FootageCard &card);

// The intro mosaic's size: a window of the default width, tall enough for four rows so
// that all sixteen tiles play, at the tile sizes a window of that width shows.
inline constexpr int mosaicWidth = 1060, mosaicHeight = 960;
// The window's central area at its default size (the preview overlay covers it; the
// card grid takes its width).
inline constexpr int windowWidth = 1060, windowHeight = 720;

} // namespace vidorra::bench
