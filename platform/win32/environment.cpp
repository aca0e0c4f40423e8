#include "platform/environment.h"

#include <windows.h>
// After windows.h, which the shell headers need.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/common/text.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// A function of a DLL in the system folder, loaded on first use and kept. Looked up rather than
// imported: shell32 and the COM library it brings would load at every start, for a question
// asked only when ProgramFiles is missing.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  wchar_t folder[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) ThrowLastError();
  const HMODULE module =
      LoadLibraryW(Wide(Joined({FromWide(folder, length), u"\\", FromWide(library)})));
  const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  if (found == nullptr) ThrowLastError();
  // Through a plain function pointer type: a direct cast between unrelated function types
  // draws -Wcast-function-type.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

class Win32Environment : public Environment {
 public:
  std::u16string Variable(const std::u16string& name) const override {
    // 0: unset, or set to the empty string. Too small a buffer: the size it needs,
    // terminator included.
    return GrowingText(64, [&name](wchar_t* buffer, std::size_t capacity) -> std::size_t {
      return GetEnvironmentVariableW(Wide(name), buffer, static_cast<DWORD>(capacity));
    });
  }

  std::u16string FullPath(const std::u16string& path) const override {
    if (path.empty()) return path;
    std::u16string full(MAX_PATH, u'\0');
    for (;;) {
      const DWORD needed =
          GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()), Wide(full), nullptr);
      if (needed == 0) return path;
      if (needed < full.size()) {
        full.resize(needed);
        return full;
      }
      full.resize(needed);  // too small: `needed` counts the terminator
    }
  }

  std::u16string ProgramFilesFolder() const override {
    // The known folder, not the ProgramFiles variable: that one comes from whoever started the
    // program, and may be missing or point anywhere.
    using GetFolderFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    using FreeFn = void(WINAPI*)(LPVOID);
    const auto getFolder = SystemFunction<GetFolderFn>(L"shell32.dll", "SHGetKnownFolderPath");
    const auto freeText = SystemFunction<FreeFn>(L"ole32.dll", "CoTaskMemFree");
    PWSTR folder = nullptr;
    const HRESULT result = getFolder(FOLDERID_ProgramFiles, 0, nullptr, &folder);
    std::u16string text = SUCCEEDED(result) ? FromWide(folder, wcslen(folder)) : u"";
    freeText(folder);
    if (FAILED(result)) throw SystemFailure(static_cast<DWORD>(result));
    return text;
  }

  std::u16string WindowsFolder() const override {
    // Not GetWindowsDirectoryW: on a terminal server it may give each user a private folder.
    wchar_t folder[MAX_PATH + 1];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) ThrowLastError();
    return FromWide(folder, length);
  }

  bool CreateFolder(const std::u16string& path) override {
    std::u16string folder = path;
    // "C:\" is a root and keeps its backslash; "\Kestrova\" names the folder "\Kestrova".
    if (folder.size() > 1 && folder.back() == u'\\' && folder[folder.size() - 2] != u':') {
      folder.pop_back();
    }
    return CreateDirectoryW(Wide(folder), nullptr) != FALSE;
  }
  std::u16string UserLanguage() const override {
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    const int length =
        LCIDToLocaleName(GetUserDefaultUILanguage(), name, LOCALE_NAME_MAX_LENGTH, 0);
    return length > 1 ? FromWide(name, length - 1) : std::u16string();
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32Environment environment;
}  // namespace

Environment& SystemEnvironment() {
  return environment;
}

}  // namespace platform
