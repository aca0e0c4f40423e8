// The application-wide mouse pointer.
#pragma once

namespace platform {

// kDefault: each window's own pointer (the arrow, an I-beam over a text box).
enum class Pointer { kDefault, kHourglass };

class MousePointer {
 public:
  virtual ~MousePointer() = default;
  // Shows `pointer` over every window of the program until set again; it shows at once,
  // even while the thread is busy.
  virtual void Set(Pointer pointer) = 0;
};

// The running system's mouse pointer; lives as long as the program.
MousePointer& SystemMousePointer();

}  // namespace platform
