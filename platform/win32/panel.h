// A plain child window that paints itself and may hold other controls: the base of frames,
// picture boxes and images.
#pragma once

#include <windows.h>

#include "platform/win32/native_control.h"
#include "platform/win32/owned.h"

namespace platform::win32 {

class Panel : public NativeControl {
 public:
  using NativeControl::NativeControl;

 protected:
  // Creates the panel's window. A panel that holds focusable controls becomes a control
  // parent, so that Tab walks into it in the design's order.
  void CreatePanel(DWORD style, DWORD exStyle, const BuildContext& context);
  // Paints the whole client area.
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // Loads bitmap resource `id` of the program; null when it is missing.
  HBITMAP LoadBitmapResource(int id, HINSTANCE instance);
  // Draws `bitmap` at the top-left corner, clipped by the panel.
  static void DrawBitmap(HDC dc, HBITMAP bitmap);
  // The font the form gave the panel (WM_SETFONT).
  HFONT Font() const { return font_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  OwnedBitmap bitmap_;
  HFONT font_ = nullptr;
};

}  // namespace platform::win32
