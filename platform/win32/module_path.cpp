#include "platform/win32/module_path.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform::win32 {

std::u16string ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return FromWide(path);
    }
    path.resize(path.size() * 2);  // truncated: a longer path than MAX_PATH
  }
}

}  // namespace platform::win32
