#include "platform/win32/module_path.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform::win32 {

std::u16string ModulePath() {
  // A path longer than MAX_PATH comes back cut to the buffer's size.
  return GrowingText(MAX_PATH, [](wchar_t* buffer, std::size_t capacity) -> std::size_t {
    return GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(capacity));
  });
}

}  // namespace platform::win32
