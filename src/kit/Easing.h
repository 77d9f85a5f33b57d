#pragma once
// The ease-out and ease-in-out curves the window animates with: cubic Béziers
// (0, 0, 0.58, 1) and (0.42, 0, 0.58, 1).

#include <QEasingCurve>

namespace vidorra {

QEasingCurve easeOut();
QEasingCurve easeInOut();

} // namespace vidorra
