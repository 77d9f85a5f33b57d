#include "LUTEngine.h"

#include <Labels.h>

namespace vidorra::LUTEngine {

// Function-local statics are built once even under concurrent first use.
CubePtr dLog()
{
    static const CubePtr cube = std::make_shared<const LUTCube>(AutoGrade::dLog);
    return cube;
}

CubePtr dLog2()
{
    static const CubePtr cube = std::make_shared<const LUTCube>(AutoGrade::dLog2);
    return cube;
}

CubePtr general()
{
    static const CubePtr cube = std::make_shared<const LUTCube>(AutoGrade::general);
    return cube;
}

CubePtr cube(const ClipInfo &info)
{
    if (!takesColor(info))
        return nullptr;
    const QString label = profileLabel(info);
    if (label == QLatin1String("D-Log"))
        return dLog();
    if (label == QLatin1String("D-Log 2"))
        return dLog2();
    return general();
}

std::optional<QImage> apply(const LUTCube &cube, const QImage &image)
{
    return cube.apply(image);
}

} // namespace vidorra::LUTEngine
