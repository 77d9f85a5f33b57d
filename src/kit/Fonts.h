#pragma once
// The window's type: the system sans-serif (DejaVu Sans as the packaged fallback) at
// fixed sizes given in device-independent pixels, in the weights the design names.

#include <QFont>

namespace vidorra::Fonts {

enum class Weight { Light, Regular, Medium, Semibold, Bold };

// A sans-serif font of `pixels` height; `tracking` is extra space between letters.
QFont sans(double pixels, Weight weight = Weight::Regular, double tracking = 0.0);
// Same with digits of equal width, for times and counters.
QFont digits(double pixels, Weight weight = Weight::Regular);

} // namespace vidorra::Fonts
