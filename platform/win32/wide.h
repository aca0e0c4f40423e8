// UTF-16 text between the portable code (std::u16string) and the wide Windows API.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wchar_t is UTF-16");

namespace platform::win32 {

// The text as the wide API takes it; valid while `text` lives.
inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The buffer of `text` for a wide API call that fills it. Lumora keeps all its wide text as
// std::u16string: one string type in the program rather than two.
inline wchar_t* Wide(std::u16string& text) {
  return reinterpret_cast<wchar_t*>(text.data());
}

// Wide API text as portable text.
inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// Zero-terminated wide API text as portable text; empty for none.
inline std::u16string FromWide(const wchar_t* text) {
  return text != nullptr ? FromWide(text, wcslen(text)) : std::u16string();
}

// A UTF-8/ASCII literal or name (control and window names) widened character by character;
// only ASCII is expected.
inline std::u16string WidenAscii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

// Text from a Win32 call that fills the caller's buffer and reports what it needs, growing the
// buffer and calling again until the text fits. `fill(buffer, capacity)` returns the length
// written when the text fit, or any larger value (the size it needs, or `capacity` when it cut
// the text short); 0 means no text.
template <typename Fill>
std::u16string GrowingText(std::size_t capacity, Fill fill) {
  std::u16string buffer(capacity, u'\0');
  for (;;) {
    const std::size_t length = fill(Wide(buffer), buffer.size());
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(std::max(length, buffer.size() * 2));
  }
}

}  // namespace platform::win32
