#pragma once
// The three shared grading tables and the choice of table for a clip. Tables are built
// on first request (once, even under concurrent first use) and live until exit.

#include "LUTCube.h"

#include <ClipInfo.h>

#include <QImage>
#include <optional>

namespace vidorra::LUTEngine {

CubePtr dLog();
CubePtr dLog2();
CubePtr general();

// The shared table for a clip, or null when the clip is not graded (takesColor false).
// "D-Log" -> dLog, "D-Log 2" -> dLog2, any other profile -> general.
CubePtr cube(const ClipInfo &info);

// A still image graded with `cube`; nothing on failure (callers keep the ungraded one).
std::optional<QImage> apply(const LUTCube &cube, const QImage &image);

} // namespace vidorra::LUTEngine
