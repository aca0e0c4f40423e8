// Twips, pixels and font heights at a given screen DPI; plain arithmetic, no system calls.
#pragma once

namespace platform::win32 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// `value` rounded to the nearest whole number, halves away from zero. Not std::lround: its
// library version sets errno and brings the C runtime's error machinery with it.
inline int RoundedHalfAway(double value) {
  return value < 0 ? -static_cast<int>(0.5 - value) : static_cast<int>(value + 0.5);
}

// Pixels for a length in twips, rounded to the nearest pixel (halves away from zero).
inline int TwipsToPixels(double twips, int dpi) {
  return RoundedHalfAway(twips * dpi / kTwipsPerInch);
}

// Twips for a length in pixels; exact, no rounding.
inline double PixelsToTwips(int pixels, int dpi) {
  return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

// The LOGFONT height that asks for a character height of `points` (negative by convention).
inline int FontHeightForPoints(double points, int dpi) {
  return -RoundedHalfAway(points * dpi / kPointsPerInch);
}

}  // namespace platform::win32
