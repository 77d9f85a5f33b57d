#include "kit/GridMetrics.h"

#include <algorithm>
#include <cmath>

namespace vidorra {

GridMetrics gridMetrics(double width)
{
    GridMetrics m;
    const double inner = width - 2 * gridMargin;
    m.columns = std::max(1, int(std::floor((inner + gridSpacing) / gridMinCell)));
    m.cardWidth = std::max(0.0, (inner - (m.columns - 1) * gridSpacing) / m.columns);
    m.rowHeight = int(std::ceil(m.cardWidth * 9 / 16 + 58));
    return m;
}

} // namespace vidorra
