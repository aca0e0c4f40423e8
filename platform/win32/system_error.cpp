#include "platform/win32/system_error.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform::win32 {

std::u16string SystemMessage(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length != 0 && buffer != nullptr) text = FromWide(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    const std::string digits = std::to_string(code);
    text = u"Error " + std::u16string(digits.begin(), digits.end());
  }
  return text;
}

Failure LastErrorFailure() {
  const DWORD code = GetLastError();
  return Failure(code, SystemMessage(code));
}

void ThrowLastError() {
  throw LastErrorFailure();
}

}  // namespace platform::win32
