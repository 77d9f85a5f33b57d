// The input is the text of a .cube file. Whatever it holds, the reader either refuses it
// with a line inside the text or gives a table whose parts agree with its sizes; such a
// table builds a lookup that grades every corner of the colour cube, and a plain 3D
// table written out reads back the same.
#include "preview/CubeFile.h"
#include "preview/CubeFormat.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace vidorra;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool finite(const std::vector<float> &v)
{
    return std::all_of(v.begin(), v.end(), [](float f) { return std::isfinite(f); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const CubeParse parsed = parseCube(text);
    if (const CubeError *error = std::get_if<CubeError>(&parsed)) {
        const qint64 lines = qint64(std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r')) + 1;
        check(error->line >= 0 && error->line <= lines);
        check(!cubeMessage(*error, QStringLiteral("f.cube")).isEmpty());
        return 0;
    }
    const CubeTable &table = std::get<CubeTable>(parsed);
    const qint64 n = table.size;
    check(n == 0 || (n >= cubeMinSize && n <= cubeMaxSize));
    check(table.curveSize == 0 || (table.curveSize >= cubeMinSize && table.curveSize <= curveMaxSize));
    check(n > 0 || table.curveSize > 0);
    check(qint64(table.lattice.size()) == 3 * n * n * n && qint64(table.curve.size()) == 3 * qint64(table.curveSize));
    check(finite(table.lattice) && finite(table.curve));
    for (size_t c = 0; c < 3; ++c)
        check(table.max[c] > table.min[c] && table.curveMax[c] > table.curveMin[c]);

    const CubePtr cube = makeCube(table);
    QImage corners(8, 2, QImage::Format_RGBA8888);
    for (int i = 0; i < 16; ++i)
        corners.setPixel(i % 8, i / 8, qRgba(i & 1 ? 255 : 0, i & 2 ? 255 : 0, i & 4 ? 255 : 0, i * 16));
    const std::optional<QImage> graded = cube->apply(corners);
    check(graded && graded->size() == corners.size());
    for (int i = 0; i < 16; ++i)
        check(qAlpha(graded->pixel(i % 8, i / 8)) == i * 16);

    const bool plain = n > 0 && table.curveSize == 0 && table.min == RGB{0, 0, 0} && table.max == RGB{1, 1, 1};
    if (plain) {
        const CubeParse again = parseCube(cubeText(*cube, table.title).toStdString());
        const CubeTable *back = std::get_if<CubeTable>(&again);
        check(back && back->lattice == table.lattice && back->title == QString(table.title).replace(u'"', u'\''));
    }
    return 0;
}
