#include "platform/win32/system_error.h"

#include <windows.h>

#include "platform/common/text.h"
#include "platform/win32/owned.h"
#include "platform/win32/wide.h"

namespace platform::win32 {

std::u16string MessageTableText(std::uint32_t code, const wchar_t* moduleName) {
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  HMODULE module = moduleName ? GetModuleHandleW(moduleName) : nullptr;
  if (module != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const LocalMemory owned(buffer);
  std::u16string text;
  if (length != 0 && buffer != nullptr) text = FromWide(buffer, length);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  return text;
}

std::u16string SystemMessage(std::uint32_t code) {
  std::u16string text = MessageTableText(code, nullptr);
  if (text.empty()) text = Joined({u"Error ", DecimalText(code)});
  return text;
}

Failure SystemFailure(std::uint32_t code) {
  return Failure(code, SystemMessage(code));
}

Failure LastErrorFailure() {
  return SystemFailure(GetLastError());
}

void ThrowLastError() {
  throw LastErrorFailure();
}

}  // namespace platform::win32
