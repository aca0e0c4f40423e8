// The form encoder round-trips: decoding its output, percent escapes and then UTF-8, gives the
// input, lone surrogates as U+FFFD.
#include <cstdint>
#include <string>

#include "poster/web/form_encoding.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

// The input's code points, a surrogate without its partner as U+FFFD: by the bit patterns of
// UTF-16 (110110 and 110111 lead the two halves of a pair).
std::u32string CodePointsOf(const std::u16string& text) {
  std::u32string points;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c >> 10 == 0x36 && i + 1 < text.size() && text[i + 1] >> 10 == 0x37) {
      points += 0x10000 + ((c & 0x3FF) << 10 | (text[++i] & 0x3FF));
    } else {
      points += c >> 11 == 0x1B ? char32_t{0xFFFD} : c;
    }
  }
  return points;
}

// The encoder's bytes read back by the bit patterns of UTF-8: the number of leading ones of a
// lead byte is the sequence's length, each later byte is 10xxxxxx. Only the shortest form of a
// code point that is no surrogate and at most U+10FFFF is UTF-8.
std::u32string CodePointsOfUtf8(const std::string& bytes) {
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  std::u32string points;
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    while (length < 8 && (lead << length & 0x80)) ++length;
    fuzz::Require(length != 1 && length <= 4, "a lead byte");
    length = length == 0 ? 1 : length;
    fuzz::Require(i + length <= bytes.size(), "a whole sequence");
    char32_t c = lead & (0xFFu >> (length == 1 ? 1 : length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned next = static_cast<unsigned char>(bytes[i + k]);
      fuzz::Require(next >> 6 == 2, "a continuation byte");
      c = c << 6 | (next & 0x3F);
    }
    fuzz::Require(length == 1 || c >= kLeast[length], "the shortest form");
    fuzz::Require(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF), "a code point");
    points += c;
    i += length;
  }
  return points;
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
  fuzz::Require(CodePointsOfUtf8(decoded) == CodePointsOf(value), "decoding gives the input");
  return 0;
}
