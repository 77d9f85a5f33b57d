#pragma once
// The shared grading tables and the choice of table for a clip. The three built-in
// tables are built on first request (once, even under concurrent first use) and live
// until exit; a table the user chose from a file may stand in for any of them.

#include "preview/LUTCube.h"

#include "metadata/ClipInfo.h"

#include <QImage>
#include <optional>

namespace vidorra::LUTEngine {

// The profiles that take colour, each with a table of its own.
enum class Grade { dLog, dLog2, general };
inline constexpr Grade grades[] = {Grade::dLog, Grade::dLog2, Grade::general};

CubePtr dLog();
CubePtr dLog2();
CubePtr general();
// The built-in table of a profile (one of the three above).
CubePtr builtIn(Grade grade);

// The table in force for a profile: the one chosen with setTable, else the built-in.
CubePtr table(Grade grade);
// Puts `cube` in force for a profile; null goes back to the built-in. Safe from any
// thread; views already showing a picture keep it until they ask again.
void setTable(Grade grade, CubePtr cube);

// Which table a clip takes: nothing when it takes no colour (takesColor false);
// "D-Log" -> dLog, "D-Log 2" -> dLog2, any other profile -> general.
std::optional<Grade> gradeOf(const ClipInfo &info);

// The table in force for a clip, or null when the clip is not graded.
CubePtr cube(const ClipInfo &info);

// A still image graded with `cube`; nothing on failure (callers keep the ungraded one).
std::optional<QImage> apply(const LUTCube &cube, const QImage &image);

} // namespace vidorra::LUTEngine
