#include <windows.h>

#include "platform/ansi.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32AnsiCodec : public AnsiCodec {
 public:
  std::string ToAnsi(std::u16string_view text) const override {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) ThrowLastError();
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, bytes.data(), size, nullptr, nullptr);
    return bytes;
  }

  std::u16string FromAnsi(std::string_view bytes) const override {
    if (bytes.empty()) return {};
    const int count = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
    if (size <= 0) ThrowLastError();
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, Wide(wide), size);
    return wide;
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32AnsiCodec codec;
}  // namespace

AnsiCodec& SystemAnsiCodec() {
  return codec;
}

}  // namespace platform
