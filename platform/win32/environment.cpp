#include <windows.h>

#include "platform/win32/backends.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32Environment : public Environment {
 public:
  std::u16string Variable(const std::u16string& name) const override {
    // 0: unset, or set to the empty string. Too small a buffer: the size it needs,
    // terminator included.
    return GrowingText(64, [&name](wchar_t* buffer, std::size_t capacity) -> std::size_t {
      return GetEnvironmentVariableW(Wide(name), buffer, static_cast<DWORD>(capacity));
    });
  }

  bool CreateFolder(const std::u16string& path) override {
    std::u16string folder = path;
    // "C:\" is a root and keeps its backslash; "\Kestrova\" names the folder "\Kestrova".
    if (folder.size() > 1 && folder.back() == u'\\' && folder[folder.size() - 2] != u':') {
      folder.pop_back();
    }
    return CreateDirectoryW(Wide(folder), nullptr) != FALSE;
  }
};

}  // namespace

Environment& TheEnvironment() {
  static Win32Environment environment;
  return environment;
}

}  // namespace platform::win32
