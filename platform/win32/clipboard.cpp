#include "platform/clipboard.h"

#include <windows.h>

#include <cwchar>
#include <new>

#include "platform/win32/owned.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Another program (a clipboard viewer, the browser script) may hold the clipboard for a
// moment (for longer on a slow or busy machine); short tries for up to a second ride that out.
constexpr int kOpenAttempts = 50;
constexpr DWORD kRetryPauseMs = 20;

bool OpenClipboardPatiently() {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(kRetryPauseMs);
  }
  return false;
}

class Win32Clipboard : public Clipboard {
 public:
  std::u16string ReadText() override {
    if (!OpenClipboardPatiently()) return {};
    std::u16string text;
    try {
      text = ReadOpenClipboard();
    } catch (const std::bad_alloc&) {
      text.clear();
    }
    CloseClipboard();
    return text;
  }

 private:
  // CF_UNICODETEXT: the system synthesises it from CF_TEXT/CF_OEMTEXT, so text offered
  // only as ANSI arrives too, while emoji and other scripts keep every code unit.
  static std::u16string ReadOpenClipboard() {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return {};
    const GlobalLockOf<const wchar_t> chars(data);
    if (chars.Get() == nullptr) return {};
    // The block may be larger than the text and need not be terminated within it.
    return FromWide(chars.Get(), wcsnlen(chars.Get(), chars.Count()));
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32Clipboard clipboard;
}  // namespace

Clipboard& SystemClipboard() {
  return clipboard;
}

}  // namespace platform
