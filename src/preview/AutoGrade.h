#pragma once
// The built-in look for flat (log) footage: levels, a gamma curve, a blend towards an
// S-curve and a saturation push around the luma. It is the definition of the grade;
// a LUTCube samples it.

#include <array>

namespace vidorra {

using RGB = std::array<float, 3>;

struct AutoGrade {
    float black = 0.0f;       // input level that maps to 0
    float white = 1.0f;       // input level that maps to 1; always above black
    float gamma = 1.0f;       // exponent of the curve after levels
    float contrast = 0.0f;    // 0..1 blend between the plain curve and its S-curve
    float saturation = 1.0f;  // factor on each channel's distance from the luma

    static const AutoGrade dLog;
    static const AutoGrade dLog2;
    static const AutoGrade general;

    // Steps 1-4 of the grade for one channel value (levels, clamp, gamma, S-curve blend).
    float curve(float v) const;
    // The graded colour, each channel in 0..1. All arithmetic is in 32-bit floats.
    RGB map(RGB rgb) const;
};

} // namespace vidorra
