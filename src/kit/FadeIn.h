#pragma once
// Eases a page in when it takes the place of another (the intro and organised faces, an
// opened or closed pile), and a translucent layer in over what lies beneath it.

#include <QEasingCurve>

class QWidget;

namespace vidorra {

// Shows `page` from the window's background colour to itself over `ms`: a veil of that
// colour over the page fades out and is then deleted. The page's own widgets keep
// painting straight to the screen, so scrolling it meanwhile stays as fast as ever.
// Does nothing for a hidden page.
void fadeIn(QWidget *page, int ms, QEasingCurve::Type curve);

// Shows the translucent `layer` from transparent to its own opacity over `ms`, through an
// opacity effect removed at the end. Does nothing for a hidden layer.
void fadeInLayer(QWidget *layer, int ms, QEasingCurve::Type curve);

// Hides `layer` at once and lets a picture of it, in its place, fade to transparent over
// `ms`: what the layer held can be let go at once while it still leaves smoothly. The
// picture takes no clicks and goes when the fade ends.
void fadeOutLayer(QWidget *layer, int ms, QEasingCurve::Type curve);

} // namespace vidorra
