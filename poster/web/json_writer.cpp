#include "poster/web/json_writer.h"

#include "platform/common/reply_text.h"

namespace poster::web {

void AppendJson(std::string& out, std::initializer_list<JsonPiece> pieces) {
  for (const JsonPiece& piece : pieces) {
    out += piece.before;
    std::u16string quoted = u"\"";
    for (const char16_t c : piece.value) {
      if (c == u'"' || c == u'\\') {
        quoted += u'\\';
        quoted += c;
      } else if (c < 0x20) {
        quoted += u"\\u00";
        quoted += u"0123456789abcdef"[c >> 4];
        quoted += u"0123456789abcdef"[c & 0xF];
      } else {
        quoted += c;
      }
    }
    quoted += u'"';
    out += platform::EncodeUtf8(quoted);
  }
}

void AppendJsonNumber(std::string& out, std::size_t value) {
  char digits[20];
  std::size_t start = sizeof digits;
  do {
    digits[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  out.append(digits + start, sizeof digits - start);
}

}  // namespace poster::web
