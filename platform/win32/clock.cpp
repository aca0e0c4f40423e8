#include "platform/clock.h"

#include <windows.h>

namespace platform::win32 {
namespace {

class Win32Clock : public Clock {
 public:
  // GetTickCount64 counts from boot and never wraps, unlike the 49-day GetTickCount.
  std::uint64_t MonotonicMilliseconds() const override { return GetTickCount64(); }
};

class Win32EventPump : public EventPump {
 public:
  void ProcessPendingEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The outer message loop must still see it, or the program would not end.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      // Keyboard navigation (Tab, Enter on the focused button) as the main loop does it.
      HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
      if (root && IsDialogMessageW(root, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  void WaitForEvents(std::uint32_t milliseconds) override {
    // MWMO_INPUTAVAILABLE also wakes for input that an earlier peek saw but left queued;
    // without it the thread could sleep the whole time with a message waiting.
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32Clock clock;
constinit win32::Win32EventPump pump;
}  // namespace

Clock& SystemClock() {
  return clock;
}

EventPump& SystemEventPump() {
  return pump;
}

}  // namespace platform
