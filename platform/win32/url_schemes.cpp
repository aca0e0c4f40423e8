#include "platform/url_schemes.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/common/text.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// The user's own classes: Windows merges them into HKEY_CLASSES_ROOT for that user, and
// writing there needs no administrator rights.
constexpr char16_t kClasses[] = u"Software\\Classes\\";
constexpr char16_t kCommandKey[] = u"\\shell\\open\\command";

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

std::optional<std::u16string> ReadText(HKEY parent, const std::u16string& subKey,
                                       const wchar_t* name) {
  Key key;
  if (RegOpenKeyExW(parent, Wide(subKey), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = REG_NONE, bytes = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::u16string data(bytes / sizeof(wchar_t) + 1, u'\0');
  bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(std::wcslen(Wide(data)));
  return data;
}

void WriteText(const std::u16string& subKey, const wchar_t* name, const std::u16string& text) {
  Key key;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(subKey), 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, key.Out(), nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Wide(text)),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  if (status != ERROR_SUCCESS) throw SystemFailure(static_cast<std::uint32_t>(status));
}

class RegistryUrlSchemes final : public UrlSchemes {
 public:
  std::optional<std::u16string> OpenCommand(const std::u16string& scheme) const override {
    const std::u16string key = Joined({kClasses, scheme});
    if (!ReadText(HKEY_CURRENT_USER, key, L"URL Protocol")) return std::nullopt;
    return ReadText(HKEY_CURRENT_USER, Joined({key, kCommandKey}), nullptr);
  }

  void Register(const std::u16string& scheme, const std::u16string& description,
                const std::u16string& command) override {
    const std::u16string key = Joined({kClasses, scheme});
    WriteText(key, nullptr, Joined({u"URL:", description}));
    WriteText(key, L"URL Protocol", u"");
    WriteText(Joined({key, kCommandKey}), nullptr, command);
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
