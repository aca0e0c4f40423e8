// Links from the command line: what is accepted is clean, well-formed and reads back the same
// after encoding it again; the status text a link gives keeps the intake's limits.
#include <cstdint>
#include <string>

#include "platform/common/text.h"
#include "poster/link_intake.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

bool Clean(const std::u16string& text, bool lineBreaks) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if ((c >= 0xDC00 && c <= 0xDFFF) || c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      if (!(lineBreaks && (c == u'\r' || c == u'\n'))) return false;
    }
  }
  return true;
}

// Every code point as percent-encoded UTF-8.
std::u16string Encoded(const std::u16string& text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  auto byte = [&](std::uint32_t b) {
    out += u'%';
    out += kHex[(b >> 4) & 0xF];
    out += kHex[b & 0xF];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      byte(c);
    } else if (c < 0x800) {
      byte(0xC0 | (c >> 6)), byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      byte(0xE0 | (c >> 12)), byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F));
    } else {
      byte(0xF0 | (c >> 18)), byte(0x80 | ((c >> 12) & 0x3F));
      byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte's low bit puts a link's beginning in front, so that most runs reach the
  // parameters rather than stop at the scheme.
  const std::u16string rest = fuzz::Utf16(data + 1, size - 1);
  const std::u16string input = (data[0] & 1) ? u"lumora:post?" + rest : rest;

  if (const auto argument = poster::LinkArgument(input)) {
    fuzz::Require(input.find(*argument) != std::u16string::npos, "the argument is taken whole");
  }

  const auto link = poster::ReadLink(input);
  if (link) {
    fuzz::Require(input.size() <= poster::kMaxLinkLength, "no link past the limit");
    fuzz::Require(input.size() >= 11 && (input[0] | 0x20) == u'l', "only lumora: links");
    fuzz::Require(Clean(link->text, true), "text: no control character but line breaks");
    fuzz::Require(Clean(link->url, false), "url: no control character");
    for (char16_t c : link->url) fuzz::Require(!platform::IsHiddenMark(c), "url: nothing hidden");
    const auto again = poster::ReadLink(u"lumora:post?url=" + Encoded(link->url) + u"&text=" +
                                        Encoded(link->text));
    fuzz::Require(again && again->text == link->text && again->url == link->url,
                  "what is read encodes back to the same");
  }

  const poster::web::StatusLimits limits{1 + size % 64, size % 30};
  for (const poster::web::StatusLimits* cut :
       {static_cast<const poster::web::StatusLimits*>(nullptr), &limits}) {
    const std::u16string status = poster::LinkStatusText(input, cut);
    if (cut) {
      fuzz::Require(
          poster::web::MastodonLength(status, cut->charactersPerUrl) <= cut->maxCharacters,
          "within the server's limit as it counts");
    } else {
      fuzz::Require(status.size() <= 140, "at most 140 code units");
    }
    fuzz::Require(status.find(u"\r\n\r\n\r\n") == std::u16string::npos,
                  "at most one empty line in a row");
    for (std::size_t i = 0; i < status.size(); ++i) {
      if (status[i] == u'\n') fuzz::Require(i > 0 && status[i - 1] == u'\r', "LF only after CR");
      if (status[i] == u'\r')
        fuzz::Require(i + 1 < status.size() && status[i + 1] == u'\n', "CR only before LF");
    }
  }
  return 0;
}
