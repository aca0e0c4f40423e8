// Modal message boxes and the default beep.
#pragma once

#include <string>

namespace platform {

// The icon beside a message box's text; every box but a question has one OK button.
enum class MessageIcon { kWarning, kInformation };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows a modal box owned by the program's window and returns when the user dismisses it.
  virtual void Show(const std::u16string& text, const std::u16string& title, MessageIcon icon) = 0;
  // Shows a modal Yes/No question with the warning icon, No the default button; true when the
  // user answers Yes, false for No or when the box is closed.
  virtual bool Ask(const std::u16string& text, const std::u16string& title) = 0;
  // The system's default beep; returns at once.
  virtual void Beep() = 0;
};

// The running system's message boxes; lives as long as the program.
MessageBoxes& SystemMessageBoxes();

}  // namespace platform
