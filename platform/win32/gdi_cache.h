// Fonts and solid brushes of one window, created on first use and kept until the window goes.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/controls.h"
#include "platform/form_design.h"
#include "platform/win32/owned.h"

namespace platform::win32 {

class GdiCache {
 public:
  explicit GdiCache(int dpi) : dpi_(dpi) {}
  ~GdiCache();
  GdiCache(const GdiCache&) = delete;
  GdiCache& operator=(const GdiCache&) = delete;

  // The font for `design` at the screen's DPI; when the face is missing (Arial and MS Sans Serif
  // under Wine) a metric-compatible or plain sans face of the same size. nullopt: the default
  // GUI font.
  HFONT Font(const std::optional<FontDesign>& design);
  // A solid brush of `color`.
  HBRUSH Brush(Rgb color);

 private:
  // Plain handles, deleted with the cache: a list of them grows without moving owners.
  struct MadeFont {
    FontDesign design;
    HFONT font;
  };
  struct MadeBrush {
    Rgb color;
    HBRUSH brush;
  };
  // A window has a handful of each: a list is smaller than a map and as fast.
  int dpi_;
  std::vector<MadeFont> fonts_;
  std::vector<MadeBrush> brushes_;
};

// The system's COLORREF for `color`.
inline COLORREF ToColorRef(Rgb color) {
  return RGB(color.r, color.g, color.b);
}

}  // namespace platform::win32
