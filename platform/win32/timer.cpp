#include <windows.h>

#include <utility>

#include "platform/win32/handler_guard.h"
#include "platform/win32/native_control.h"

namespace platform::win32 {
namespace {

// A timer of the form window, identified by the control's id; it has no window of its own.
class Win32Timer : public NativeControl, public Timer {
 public:
  Timer* AsTimer() override { return this; }
  Win32Timer(const ControlDesign& design, const BuildContext& context)
      : NativeControl(design), form_(context.form), loaded_(context.loaded) {}

  bool Enabled() const override { return enabled_; }

  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    const auto id = static_cast<UINT_PTR>(Design().id);
    if (enabled) {
      SetTimer(form_, id, static_cast<UINT>(Design().intervalMs), nullptr);
    } else {
      KillTimer(form_, id);
    }
  }

  void SetOnTick(Handler handler) override { onTick_ = std::move(handler); }

  void OnTimer() override {
    // A modal box shown by the load handler runs its own message loop, which would deliver
    // ticks early; they are dropped until the load handler has returned.
    if (!enabled_ || !*loaded_) return;
    RunHandler(onTick_);
  }

 private:
  HWND form_;
  const bool* loaded_;
  bool enabled_ = false;
  Handler onTick_;
};

}  // namespace

std::unique_ptr<NativeControl> MakeTimer(const ControlDesign& design, const BuildContext& context) {
  return std::make_unique<Win32Timer>(design, context);
}

}  // namespace platform::win32
