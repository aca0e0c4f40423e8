#include "platform/url_schemes.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// The user's own classes: Windows merges them into HKEY_CLASSES_ROOT for that user, and
// writing there needs no administrator rights.
constexpr wchar_t kClasses[] = L"Software\\Classes\\";

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::optional<std::wstring> ReadText(HKEY parent, const std::wstring& subKey, const wchar_t* name) {
  Key key;
  if (RegOpenKeyExW(parent, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = REG_NONE, bytes = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(std::wcslen(data.c_str()));
  return data;
}

void WriteText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text) {
  Key key;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, key.Out(), nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  if (status != ERROR_SUCCESS) throw SystemFailure(static_cast<std::uint32_t>(status));
}

class RegistryUrlSchemes final : public UrlSchemes {
 public:
  std::optional<std::u16string> OpenCommand(const std::u16string& scheme) const override {
    const std::wstring key = kClasses + std::wstring(Wide(scheme));
    if (!ReadText(HKEY_CURRENT_USER, key, L"URL Protocol")) return std::nullopt;
    const auto command = ReadText(HKEY_CURRENT_USER, key + L"\\shell\\open\\command", nullptr);
    if (!command) return std::nullopt;
    return FromWide(*command);
  }

  void Register(const std::u16string& scheme, const std::u16string& description,
                const std::u16string& command) override {
    const std::wstring key = kClasses + std::wstring(Wide(scheme));
    WriteText(key, nullptr, L"URL:" + std::wstring(Wide(description)));
    WriteText(key, L"URL Protocol", L"");
    WriteText(key + L"\\shell\\open\\command", nullptr, Wide(command));
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::RegistryUrlSchemes schemes;
}  // namespace

UrlSchemes& SystemUrlSchemes() {
  return schemes;
}

}  // namespace platform
