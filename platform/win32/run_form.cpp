#include <windows.h>
// Needs the types of <windows.h> above it.
#include <commctrl.h>

#include <memory>

#include "platform/form.h"
#include "platform/win32/form_window.h"
#include "platform/win32/handler_guard.h"

namespace platform {

int RunForm(const FormDesign& design, const std::function<void(Form&)>& load) {
  // Loads common controls 6 (the manifest asks for it) before the first control is made.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);

  std::unique_ptr<win32::FormWindow> form;
  // One handler for both steps: a failure in either ends the program with its error box.
  win32::RunHandler([&] {
    form = std::make_unique<win32::FormWindow>(design);
    load(*form);
  });
  form->MarkLoaded();
  form->ShowWithFocus();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // IsDialogMessage gives the window a dialog's keyboard: Tab and Shift+Tab in the design's
    // order, arrow keys, Enter and space on buttons.
    if (IsWindow(form->Handle()) && IsDialogMessageW(form->Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace platform
