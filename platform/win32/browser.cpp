#include "platform/browser.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class ShellBrowser final : public Browser {
 public:
  void Open(const std::u16string& address) override {
    // The shell may hand the address to a COM handler: the calling thread needs COM, once (a
    // thread that has it already just counts one more use).
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // Values up to 32 are errors; the shell sets the last error for most of them.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Wide(address), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
      throw SystemFailure(result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : GetLastError());
  }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::ShellBrowser browser;
}  // namespace

Browser& SystemBrowser() {
  return browser;
}

}  // namespace platform
