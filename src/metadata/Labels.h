#pragma once
// Pure functions that turn a clip record into the words we sort and display by.

#include "metadata/ClipInfo.h"

namespace vidorra {

QString fpsLabel(double fps);
QString profileLabel(const ClipInfo &info);
bool isSlowMotion(const ClipInfo &info);
QString speedKey(const ClipInfo &info);
QString resolutionLabel(const ClipInfo &info);
qint64 shortSide(const ClipInfo &info);
QString resolutionTab(const ClipInfo &info);
// Destination folder relative to the clip's folder, components separated by "/".
// Every component is safe as a single path component.
QString folderName(const ClipInfo &info);
QString describe(const ClipInfo &info);
bool takesColor(const ClipInfo &info);

} // namespace vidorra
