#include "preview/AutoGrade.h"

#include <algorithm>
#include <cmath>

namespace vidorra {

const AutoGrade AutoGrade::dLog{0.09f, 0.85f, 0.86f, 0.45f, 1.3f};
const AutoGrade AutoGrade::dLog2{0.12f, 0.72f, 0.66f, 0.40f, 1.3f};
const AutoGrade AutoGrade::general{0.08f, 0.90f, 0.85f, 0.40f, 1.25f};

float AutoGrade::curve(float v) const
{
    float x = (v - black) / (white - black);
    x = std::clamp(x, 0.0f, 1.0f);
    const float t = std::pow(x, gamma);
    const float s = t * t * (3.0f - 2.0f * t);
    return t + contrast * (s - t);
}

RGB AutoGrade::map(RGB rgb) const
{
    const float r = curve(rgb[0]);
    const float g = curve(rgb[1]);
    const float b = curve(rgb[2]);
    const float y = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    auto push = [&](float c) { return std::clamp(y + saturation * (c - y), 0.0f, 1.0f); };
    return {push(r), push(g), push(b)};
}

} // namespace vidorra
