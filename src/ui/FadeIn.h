#pragma once
// Fades a page in when it takes the place of another: the intro and organised faces
// cross-fade, and an opened or closed pile eases in.

#include <QEasingCurve>

class QWidget;

namespace vidorra {

// Shows `page` from transparent to opaque over `ms`. The opacity effect is removed at
// the end, so the page paints directly again. Does nothing for a hidden page.
void fadeIn(QWidget *page, int ms, QEasingCurve::Type curve);

} // namespace vidorra
