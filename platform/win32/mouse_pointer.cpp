#include "platform/mouse_pointer.h"

#include <windows.h>

#include "platform/win32/pointer_state.h"

namespace platform::win32 {
namespace {

bool hourglass = false;

class Win32MousePointer : public MousePointer {
 public:
  void Set(Pointer pointer) override {
    hourglass = pointer == Pointer::kHourglass;
    // SetCursor shows at once, even if the thread then stays busy in a blocking request;
    // WM_SETCURSOR keeps it up whenever the mouse moves over one of our windows.
    // Back to the default, the arrow stands until the window under the mouse picks its own
    // pointer at the next move (an I-beam over a text box).
    if (!ApplyChosenPointer()) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
};

}  // namespace

bool HourglassShown() {
  return hourglass;
}

bool ApplyChosenPointer() {
  if (!hourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32MousePointer pointer;
}  // namespace

MousePointer& SystemMousePointer() {
  return pointer;
}

}  // namespace platform
