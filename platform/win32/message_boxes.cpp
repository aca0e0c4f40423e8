#include <windows.h>

#include "platform/message_box.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32MessageBoxes : public MessageBoxes {
 public:
  void Show(const std::u16string& text, const std::u16string& title, MessageIcon icon) override {
    const UINT iconStyle = icon == MessageIcon::kInformation ? MB_ICONINFORMATION : MB_ICONWARNING;
    // Owned by our active window (none while it is hidden), so the box is modal to it.
    // MB_TOPMOST keeps an unowned box from hiding behind our own topmost window.
    MessageBoxW(GetActiveWindow(), Wide(text), Wide(title), MB_OK | iconStyle | MB_TOPMOST);
  }
  bool Ask(const std::u16string& text, const std::u16string& title) override {
    return MessageBoxW(GetActiveWindow(), Wide(text), Wide(title),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST) == IDYES;
  }
  void Beep() override { MessageBeep(MB_OK); }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32MessageBoxes boxes;
}  // namespace

MessageBoxes& SystemMessageBoxes() {
  return boxes;
}

}  // namespace platform
