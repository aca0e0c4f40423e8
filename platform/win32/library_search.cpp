#include "platform/library_search.h"

#include <windows.h>

namespace platform {

bool LoadLibrariesFromSystemFolderOnly() {
  // Looked up rather than imported: Windows 7 has it only with the 2011 loader update, and an
  // import the system lacks would stop the program before its first line. kernel32 is always
  // loaded, so asking for it searches nothing.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (found != nullptr) {
    // Through a plain function pointer type: a direct cast between unrelated function types
    // draws -Wcast-function-type.
    const auto restrict =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    if (restrict(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  }
  SetDllDirectoryW(L"");
  return false;
}

}  // namespace platform
