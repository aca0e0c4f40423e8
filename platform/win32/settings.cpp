#include "platform/settings.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/common/all_or_none.h"
#include "platform/common/failure.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrova\\Lumora";
constexpr char16_t kLocation[] = u"HKEY_CURRENT_USER\\Software\\Kestrova\\Lumora";

[[noreturn]] void Fail(LSTATUS status) {
  throw Failure(static_cast<std::uint32_t>(status), SystemMessage(static_cast<DWORD>(status)));
}

class KeyCloser {
 public:
  explicit KeyCloser(HKEY key) : key_(key) {}
  ~KeyCloser() { RegCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  HKEY key_;
};

// The program's key opened for `access`, or created when `create`; null when it is missing
// and not to be created. Throws Failure for any other refusal.
HKEY OpenKey(REGSAM access, bool create) {
  HKEY key = nullptr;
  const LSTATUS status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, access,
                                                  nullptr, &key, nullptr)
                                : RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, access, &key);
  if (status == ERROR_FILE_NOT_FOUND && !create) return nullptr;
  if (status != ERROR_SUCCESS) Fail(status);
  return key;
}

std::u16string Expanded(const std::u16string& text) {
  DWORD needed = ExpandEnvironmentStringsW(Wide(text), nullptr, 0);
  if (needed == 0) return text;
  std::u16string out(needed, u'\0');
  needed = ExpandEnvironmentStringsW(Wide(text), Wide(out), needed);
  if (needed == 0 || needed > out.size()) return text;
  out.resize(needed - 1);
  return out;
}

// A value as it is stored: read for the text it holds, or kept to be put back byte for byte.
struct StoredValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

StoredValue ReadStored(HKEY key, const std::u16string& name) {
  StoredValue stored;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = static_cast<DWORD>(stored.data.size());
    const LSTATUS status =
        RegQueryValueExW(key, Wide(name), nullptr, &stored.type,
                         stored.data.empty() ? nullptr : stored.data.data(), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return {};
    // The first call only asks for the size; the value may grow between two calls.
    if ((status == ERROR_SUCCESS && stored.data.empty() && bytes > 0) ||
        status == ERROR_MORE_DATA) {
      stored.data.resize(bytes);
      continue;
    }
    if (status != ERROR_SUCCESS) Fail(status);
    stored.data.resize(bytes);
    stored.present = true;
    return stored;
  }
  Fail(ERROR_MORE_DATA);
}

void PutBack(HKEY key, const std::u16string& name, const StoredValue& stored) {
  const LSTATUS status = stored.present
                             ? RegSetValueExW(key, Wide(name), 0, stored.type, stored.data.data(),
                                              static_cast<DWORD>(stored.data.size()))
                             : RegDeleteValueW(key, Wide(name));
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(status);
}

class RegistrySettings final : public Settings {
 public:
  std::optional<std::u16string> Text(const std::u16string& name) const override {
    HKEY key = OpenKey(KEY_QUERY_VALUE, false);
    if (key == nullptr) return std::nullopt;
    KeyCloser closer(key);

    const StoredValue value = ReadStored(key, name);
    if (!value.present) return std::nullopt;
    const DWORD type = value.type;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      throw Failure(ERROR_UNSUPPORTED_TYPE, u"The value holds no text.");
    }
    std::u16string data(value.data.size() / sizeof(char16_t), u'\0');
    std::memcpy(data.data(), value.data.data(), data.size() * sizeof(char16_t));
    // Stored data need not end in a terminator, and may hold more than one.
    data.resize(std::wcslen(Wide(data)));
    if (type == REG_EXPAND_SZ) return Expanded(data);
    return data;
  }

  std::u16string Location() const override { return kLocation; }

  void SetText(const std::u16string& name, const std::u16string& text) override {
    HKEY key = OpenKey(KEY_SET_VALUE, true);
    KeyCloser closer(key);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
    const LSTATUS status = RegSetValueExW(key, Wide(name), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    if (status != ERROR_SUCCESS) Fail(status);
  }

  void Remove(const std::u16string& name) override {
    HKEY key = OpenKey(KEY_SET_VALUE, false);
    if (key == nullptr) return;
    KeyCloser closer(key);
    const LSTATUS status = RegDeleteValueW(key, Wide(name));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(status);
  }

  void Change(const std::vector<SettingChange>& changes) override {
    HKEY key = OpenKey(KEY_QUERY_VALUE | KEY_SET_VALUE, true);
    KeyCloser closer(key);
    // Every value is read before the first write, so that none is lost if a later read fails.
    std::vector<StoredValue> kept;
    for (const auto& change : changes) kept.push_back(ReadStored(key, change.name));
    AllOrNone(
        changes.size(),
        [&](std::size_t i) {
          if (changes[i].text) return SetText(changes[i].name, *changes[i].text);
          Remove(changes[i].name);
        },
        [&](std::size_t i) { PutBack(key, changes[i].name, kept[i]); });
  }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::RegistrySettings settings;
}  // namespace

Settings& SystemSettings() {
  return settings;
}

}  // namespace platform
