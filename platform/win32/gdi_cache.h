// Fonts and solid brushes of one window, created on first use and kept until the window goes.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "platform/controls.h"
#include "platform/form_spec.h"

namespace platform::win32 {

class GdiCache {
 public:
  explicit GdiCache(int dpi) : dpi_(dpi) {}
  ~GdiCache();
  GdiCache(const GdiCache&) = delete;
  GdiCache& operator=(const GdiCache&) = delete;

  // The font for `spec` at the screen's DPI; when the face is missing (Arial and MS Sans Serif
  // under Wine) a metric-compatible or plain sans face of the same size. nullopt: the default
  // GUI font.
  HFONT Font(const std::optional<FontSpec>& spec);
  // A solid brush of `color`.
  HBRUSH Brush(Rgb color);

 private:
  int dpi_;
  std::map<std::tuple<std::u16string, double, bool>, HFONT> fonts_;
  std::map<std::uint32_t, HBRUSH> brushes_;
};

// The system's COLORREF for `color`.
inline COLORREF ToColorRef(Rgb color) {
  return RGB(color.r, color.g, color.b);
}

}  // namespace platform::win32
