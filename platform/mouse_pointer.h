// The application-wide mouse pointer.
#pragma once

namespace platform {

enum class Pointer { kDefault = 0, kHourglass = 11 };

class MousePointer {
 public:
  virtual ~MousePointer() = default;
  // Shows `pointer` over every window of the program until set again; it shows at once,
  // even while the thread is busy.
  virtual void Set(Pointer pointer) = 0;
};

}  // namespace platform
