// One control of a built form: its window, and the notifications the form routes back to it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/form_design.h"
#include "platform/win32/gdi_cache.h"

namespace platform::win32 {

// What a control needs from the form while it is created.
struct BuildContext {
  HINSTANCE instance = nullptr;
  HWND form = nullptr;    // the top-level window (timers live on it)
  HWND parent = nullptr;  // the window the control is created in: form or container
  int dpiX = 96, dpiY = 96;
  Rgb containerBack;              // the colour the control stands on
  bool containsTabStops = false;  // containers: whether a focusable control goes inside
  GdiCache* gdi = nullptr;
  const bool* loaded = nullptr;  // becomes true when the load handler has returned
};

class NativeControl {
 public:
  // Keeps its own copy of `design`.
  explicit NativeControl(const ControlDesign& design);
  virtual ~NativeControl();
  NativeControl(const NativeControl&) = delete;
  NativeControl& operator=(const NativeControl&) = delete;

  const ControlDesign& Design() const { return design_; }
  // The control's window; null for controls without one (timers).
  HWND Handle() const { return hwnd_; }
  // The background a control placed inside this one stands on; only containers have one.
  virtual const Rgb* ContainerBack() const { return nullptr; }

  // WM_COMMAND from the control with notification `code`; true when handled.
  virtual bool OnCommand(UINT /*code*/) { return false; }
  // WM_CTLCOLOR* for the control: sets up `dc` and returns the background brush, or null
  // to leave the system's colours.
  virtual HBRUSH OnCtlColor(HDC /*dc*/) { return nullptr; }
  // WM_DRAWITEM for an owner-drawn control; true when drawn.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // WM_TIMER on the form with this control's id.
  virtual void OnTimer() {}
  // The control as the handlers see it, when it is of that kind; null otherwise. The programs
  // are built without run-time type information, so these stand in for a cross-cast.
  virtual TextBox* AsTextBox() { return nullptr; }
  virtual Label* AsLabel() { return nullptr; }
  virtual Button* AsButton() { return nullptr; }
  virtual Timer* AsTimer() { return nullptr; }
  // The font the form gave the control's window (WM_GETFONT); null: the system's.
  HFONT ControlFont() const {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  }

  // The control object that owns `hwnd`, or null.
  static NativeControl* FromHandle(HWND hwnd);

 protected:
  // Creates the control's window in the context's parent at the design position, sets its
  // font and ties it to this object. Throws Failure when the system refuses.
  HWND CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle,
                   const BuildContext& context);

 private:
  ControlDesign design_;
  HWND hwnd_ = nullptr;
};

// The window's text, UTF-16.
std::u16string WindowText(HWND hwnd);

// Routes a control notification that reached `window` (the form or a container) to the
// control it came from. Returns true with `result` set when the control handled it.
bool RouteToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// One factory per kind of control; each lives in its own file.
std::unique_ptr<NativeControl> MakeTextBox(const ControlDesign& design,
                                           const BuildContext& context);
std::unique_ptr<NativeControl> MakeLabel(const ControlDesign& design, const BuildContext& context);
std::unique_ptr<NativeControl> MakeCommandButton(const ControlDesign& design,
                                                 const BuildContext& context);
std::unique_ptr<NativeControl> MakePictureBox(const ControlDesign& design,
                                              const BuildContext& context);
std::unique_ptr<NativeControl> MakeFrame(const ControlDesign& design, const BuildContext& context);
std::unique_ptr<NativeControl> MakeImage(const ControlDesign& design, const BuildContext& context);
std::unique_ptr<NativeControl> MakeTimer(const ControlDesign& design, const BuildContext& context);

}  // namespace platform::win32
