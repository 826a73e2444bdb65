#pragma once
// Positions and sizes are kept in twips (1/1440 inch) as single-precision floats, like the
// window designer that laid this window out. Only the platform layer turns them into pixels.

#include <cmath>

namespace quben {

using Twips = float;

constexpr float kTwipsPerInch = 1440.0f;

constexpr float TwipsPerPixel(unsigned dotsPerInch) {
    return kTwipsPerInch / static_cast<float>(dotsPerInch == 0 ? 96u : dotsPerInch);
}

// Nearest whole pixel; halves round away from zero.
inline int TwipsToPixels(Twips twips, float twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

constexpr Twips PixelsToTwips(int pixels, float twipsPerPixel) {
    return static_cast<Twips>(pixels) * twipsPerPixel;
}

} // namespace quben
