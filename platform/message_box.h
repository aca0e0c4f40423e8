// Modal message boxes and the default beep.
#pragma once

#include <string>

namespace platform {

// Message-box styles as the system numbers them: one OK button plus an icon.
inline constexpr int kMbIconWarning = 48;
inline constexpr int kMbIconInformation = 64;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows a modal box owned by the program's window and returns when the user dismisses it.
  virtual void Show(const std::u16string& text, const std::u16string& title, int style) = 0;
  // The system's default beep; returns at once.
  virtual void Beep() = 0;
};

}  // namespace platform
