#include "preview/LUTEngine.h"

#include "metadata/Labels.h"

#include <mutex>

namespace vidorra::LUTEngine {

namespace {

// The chosen tables; read on every lookup from any thread, written on a choice.
struct Chosen {
    std::mutex mutex;
    CubePtr tables[3];
};

Chosen &chosen()
{
    static Chosen c;
    return c;
}

} // namespace

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

CubePtr builtIn(Grade grade)
{
    switch (grade) {
    case Grade::dLog: return dLog();
    case Grade::dLog2: return dLog2();
    case Grade::general: break;
    }
    return general();
}

CubePtr table(Grade grade)
{
    {
        Chosen &c = chosen();
        std::lock_guard lock(c.mutex);
        if (CubePtr custom = c.tables[int(grade)])
            return custom;
    }
    return builtIn(grade);
}

void setTable(Grade grade, CubePtr cube)
{
    Chosen &c = chosen();
    std::lock_guard lock(c.mutex);
    c.tables[int(grade)] = std::move(cube);
}

std::optional<Grade> gradeOf(const ClipInfo &info)
{
    if (!takesColor(info))
        return std::nullopt;
    const QString label = profileLabel(info);
    if (label == QLatin1String("D-Log"))
        return Grade::dLog;
    if (label == QLatin1String("D-Log 2"))
        return Grade::dLog2;
    return Grade::general;
}

CubePtr cube(const ClipInfo &info)
{
    const std::optional<Grade> grade = gradeOf(info);
    return grade ? table(*grade) : nullptr;
}

std::optional<QImage> apply(const LUTCube &cube, const QImage &image)
{
    return cube.apply(image);
}

} // namespace vidorra::LUTEngine
