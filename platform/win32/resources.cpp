#include "platform/resources.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32Resources : public Resources {
 public:
  std::optional<std::vector<std::uint8_t>> Read(const std::u16string& type, int id) override {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), Wide(type));
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded) return std::nullopt;
    // Resource memory is part of the mapped image: no unlock or free is needed.
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(nullptr, found);
    if (!bytes && size != 0) return std::nullopt;
    return std::vector<std::uint8_t>(bytes, bytes + size);
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

Resources& SystemResources() {
  static win32::Win32Resources resources;
  return resources;
}

}  // namespace platform
