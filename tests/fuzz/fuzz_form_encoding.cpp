// The form encoder round-trips: decoding its output gives the input's UTF-8, lone surrogates
// as U+FFFD.
#include <cstdint>
#include <string>

#include "poster/web/form_encoding.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

// An independent UTF-16 to UTF-8 conversion to compare against.
std::string Utf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;  // the encoder writes upper case only
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string value = fuzz::Utf16(data, size);
  const std::u16string encoded = poster::web::FormEncode(value);
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char16_t c = encoded[i];
    fuzz::Require(c > 0x20 && c < 0x7F, "plain printable ASCII out");
    fuzz::Require(c != u'&' && c != u'=' && c != u'?' && c != u'#', "no form delimiter out");
    if (c == u'+') {
      decoded += ' ';
    } else if (c == u'%') {
      fuzz::Require(i + 2 < encoded.size(), "a whole escape");
      const int high = HexValue(encoded[i + 1]);
      const int low = HexValue(encoded[i + 2]);
      fuzz::Require(high >= 0 && low >= 0, "escapes are two upper-case hex digits");
      decoded += static_cast<char>(high << 4 | low);
      i += 2;
    } else {
      decoded += static_cast<char>(c);
    }
  }
  fuzz::Require(decoded == Utf8(value), "decoding gives the input's UTF-8");
  return 0;
}
