#include "platform/win32/http_library.h"

#include <windows.h>

#include <string>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Every WinHTTP function the program imports.
constexpr const char* kFunctions[] = {
    "WinHttpAddRequestHeaders",
    "WinHttpCloseHandle",
    "WinHttpConnect",
    "WinHttpGetDefaultProxyConfiguration",
    "WinHttpGetIEProxyConfigForCurrentUser",
    "WinHttpGetProxyForUrl",
    "WinHttpOpen",
    "WinHttpOpenRequest",
    "WinHttpQueryAuthSchemes",
    "WinHttpQueryDataAvailable",
    "WinHttpQueryHeaders",
    "WinHttpQueryOption",
    "WinHttpReadData",
    "WinHttpReceiveResponse",
    "WinHttpSendRequest",
    "WinHttpSetCredentials",
    "WinHttpSetOption",
    "WinHttpSetStatusCallback",
    "WinHttpSetTimeouts",
};

HMODULE LoadFromSystemFolder() {
  HMODULE module = LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr) return module;
  // Windows 7 without the 2011 loader update does not know the flag: name the file in full.
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryW(Wide(Joined({FromWide(folder, length), u"\\winhttp.dll"})));
}

// Loaded once, by whichever thread asks first, and never freed: the delay-load import keeps
// using it.
INIT_ONCE loadOnce = INIT_ONCE_STATIC_INIT;
HMODULE module = nullptr;

BOOL CALLBACK LoadOnce(PINIT_ONCE, PVOID, PVOID*) {
  module = LoadFromSystemFolder();
  return TRUE;
}

}  // namespace

void LoadWinHttp() {
  InitOnceExecuteOnce(&loadOnce, &LoadOnce, nullptr, nullptr);
  if (module == nullptr) throw HttpFailure(kWinHttpMissing);
  for (const char* name : kFunctions) {
    if (GetProcAddress(module, name) == nullptr) {
      throw Failure(
          ERROR_PROC_NOT_FOUND,
          Joined({u"Windows' web library (winhttp.dll) lacks a function Lumora needs (",
                  std::u16string(name, name + std::char_traits<char>::length(name)), u")."}));
    }
  }
}

}  // namespace platform::win32
