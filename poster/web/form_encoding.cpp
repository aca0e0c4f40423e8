#include "poster/web/form_encoding.h"

#include <cstdint>

#include "platform/common/reply_text.h"

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

}  // namespace

std::u16string FormEncode(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size() * 3);
  for (const char byte : platform::EncodeUtf8(value)) {
    const auto unit = static_cast<std::uint8_t>(byte);
    if (unit == ' ') {
      out += u'+';
    } else if (KeptAsIs(unit)) {
      out += static_cast<char16_t>(unit);
    } else {
      AppendByte(out, unit);
    }
  }
  return out;
}

}  // namespace poster::web
