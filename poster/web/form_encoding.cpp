#include "poster/web/form_encoding.h"

#include <cstdint>

namespace poster::web {
namespace {

bool KeptAsIs(char32_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'*' || c == u'-' || c == u'.' || c == u'_';
}

void AppendByte(std::u16string& out, std::uint8_t byte) {
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u'%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

void AppendUtf8(std::u16string& out, char32_t c) {
  if (c < 0x80) {
    AppendByte(out, static_cast<std::uint8_t>(c));
  } else if (c < 0x800) {
    AppendByte(out, static_cast<std::uint8_t>(0xC0 | (c >> 6)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    AppendByte(out, static_cast<std::uint8_t>(0xE0 | (c >> 12)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  } else {
    AppendByte(out, static_cast<std::uint8_t>(0xF0 | (c >> 18)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    AppendByte(out, static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::u16string FormEncode(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size() * 3);
  for (std::size_t i = 0; i < value.size(); ++i) {
    char32_t c = value[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
        value[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (value[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c == u' ') {
      out += u'+';
    } else if (KeptAsIs(c)) {
      out += static_cast<char16_t>(c);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace poster::web
