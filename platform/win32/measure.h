// Twips, pixels and font heights at a given screen DPI; plain arithmetic, no system calls.
#pragma once

#include <cmath>

namespace platform::win32 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// Pixels for a length in twips, rounded to the nearest pixel (halves away from zero).
inline int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

// Twips for a length in pixels; exact, no rounding.
inline double PixelsToTwips(int pixels, int dpi) {
  return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

// The LOGFONT height that asks for a character height of `points` (negative by convention).
inline int FontHeightForPoints(double points, int dpi) {
  return -static_cast<int>(std::lround(points * dpi / kPointsPerInch));
}

}  // namespace platform::win32
