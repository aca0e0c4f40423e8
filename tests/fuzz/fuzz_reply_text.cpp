// Content-Type charset parsing, header filtering and reply decoding, on any bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/common/reply_text.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

bool WellFormed(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) return false;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform;
  const std::u16string header = fuzz::Utf16(data, size);
  const std::u16string charset = CharsetParameter(header);
  fuzz::Require(charset.size() <= header.size(), "the charset comes from the value");
  EncodingOfCharset(charset);
  for (char16_t c : PrintableAsciiOnly(header)) {
    fuzz::Require(c >= 0x20 && c <= 0x7E, "header text is printable ASCII");
  }

  // The input's first line names a header to look for in the rest.
  const std::size_t split = header.find(u'\n');
  if (split != std::u16string::npos) {
    const std::u16string name = header.substr(0, split);
    const std::u16string value = HeaderValue(std::u16string_view(header).substr(split + 1), name);
    fuzz::Require(value.find_first_of(u"\r\n") == std::u16string::npos, "a value is one line");
    if (!value.empty()) {
      fuzz::Require(value.front() != u' ' && value.front() != u'\t' && value.back() != u' ' &&
                        value.back() != u'\t',
                    "a value comes without the spaces around it");
      fuzz::Require(header.find(value, split + 1) != std::u16string::npos,
                    "a value is taken whole");
    }
  }

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string utf8 = DecodeUtf8(bytes);
  fuzz::Require(WellFormed(utf8), "UTF-8 decodes to well-formed UTF-16");
  fuzz::Require(utf8.size() <= bytes.size(), "never more code units than bytes");
  const auto latin1 = [](std::string_view b) {
    std::u16string text;
    for (char c : b) text.push_back(static_cast<unsigned char>(c));
    return text;
  };
  for (TextEncoding encoding : {TextEncoding::kUtf8, TextEncoding::kUtf16Le, TextEncoding::kUtf16Be,
                                TextEncoding::kOther}) {
    const std::u16string text = DecodeReply(bytes, encoding, latin1);
    fuzz::Require(text.size() <= bytes.size(), "bounded decoding");
    fuzz::Require(WellFormed(text), "every decoding gives well-formed UTF-16");
  }
  return 0;
}
