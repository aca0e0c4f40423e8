// The verdict rule, the short-link rule and the failure excerpt, on any reply text.
#include <cstdint>
#include <string>

#include "poster/web/reply_rules.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

bool IsLoneHalf(const std::u16string& text, std::size_t at) {
  const auto high = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
  const auto low = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  if (high(text[at])) return at + 1 == text.size() || !low(text[at + 1]);
  if (low(text[at])) return at == 0 || !high(text[at - 1]);
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace poster::web;
  const std::u16string reply = fuzz::Utf16(data, size);
  fuzz::Require(IsSuccessReply(reply) == (reply.find(u"<screen_name>") != std::u16string::npos),
                "success is the exact marker anywhere");

  if (const auto link = ShortLinkIn(reply)) {
    const std::size_t tab = reply.find(u'\t');
    fuzz::Require(tab != std::u16string::npos && *link == reply.substr(0, tab),
                  "the link is the text before the first tab");
    fuzz::Require(link->size() <= kLongestShortLink, "a bounded link");
    const std::size_t hostAt = link->find(u"://") + 3;
    fuzz::Require(link->empty() || hostAt == 7 || hostAt == 8, "a link starts with a web scheme");
    fuzz::Require(link->empty() || (hostAt < link->size() && (*link)[hostAt] != u'/' &&
                                    (*link)[hostAt] != u'?' && (*link)[hostAt] != u'#'),
                  "a link names a host");
    for (std::size_t i = 0; i < link->size(); ++i) {
      const char16_t c = (*link)[i];
      fuzz::Require(c > 0x20 && (c < 0x7F || c > 0xA0), "no space or control character");
      fuzz::Require(!(c >= 0x200B && c <= 0x200F) && !(c >= 0x202A && c <= 0x202E) &&
                        !(c >= 0x2066 && c <= 0x2069) && c != 0xFEFF && c != 0x2028 && c != 0x2029,
                    "no zero-width or bidirectional character");
      fuzz::Require(!IsLoneHalf(*link, i), "no lone surrogate in a link");
    }
  }

  // The reply as it may be shown: each control other than CR, LF and tab, and each lone half
  // of a pair, as U+FFFD.
  std::u16string shown = reply;
  for (std::size_t i = 0; i < reply.size(); ++i) {
    const char16_t c = reply[i];
    const bool kept = (c >= 0x20 || c == u'\r' || c == u'\n' || c == u'\t') &&
                      (c < 0x7F || c > 0x9F) && !IsLoneHalf(reply, i);
    if (!kept) shown[i] = u'\uFFFD';
  }
  const std::u16string excerpt = ReplyExcerpt(reply);
  if (excerpt != shown) {
    fuzz::Require(excerpt.ends_with(u"\u2026"), "a cut excerpt ends with an ellipsis");
    const std::u16string kept = excerpt.substr(0, excerpt.size() - 1);
    fuzz::Require(kept.size() < reply.size() && shown.starts_with(kept),
                  "the excerpt is the reply's start, each control or lone half as U+FFFD");
    fuzz::Require(kept.size() <= kLongestExcerpt, "a bounded excerpt");
    fuzz::Require(kept.empty() || kept.back() < 0xD800 || kept.back() > 0xDBFF,
                  "no pair cut in two");
  } else {
    // Whole, or cut just before a closing ellipsis of its own.
    fuzz::Require(reply.size() <= kLongestExcerpt || reply.ends_with(u"\u2026"),
                  "only a short reply is shown whole");
  }
  return 0;
}
