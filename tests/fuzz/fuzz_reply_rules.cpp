// The verdict rule, the short-link rule and the failure excerpt, on any reply text.
#include <cstdint>
#include <string>

#include "poster/web/reply_rules.h"
#include "tests/fuzz/fuzz_text.h"

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
    fuzz::Require(link->empty() || link->find(u"://") == 4 || link->find(u"://") == 5,
                  "a link starts with a web scheme");
    for (char16_t c : *link) {
      fuzz::Require(c >= 0x20 && (c < 0x7F || c > 0x9F), "no control character in a link");
    }
  }

  const std::u16string excerpt = ReplyExcerpt(reply);
  if (excerpt != reply) {
    fuzz::Require(excerpt.ends_with(u"\u2026"), "a cut excerpt ends with an ellipsis");
    const std::u16string kept = excerpt.substr(0, excerpt.size() - 1);
    fuzz::Require(reply.starts_with(kept), "the excerpt is the reply's start");
    fuzz::Require(kept.size() <= kLongestExcerpt, "a bounded excerpt");
    fuzz::Require(kept.empty() || kept.back() < 0xD800 || kept.back() > 0xDBFF ||
                      reply[kept.size()] < 0xDC00 || reply[kept.size()] > 0xDFFF,
                  "no pair cut in two");
  } else {
    fuzz::Require(reply.size() <= kLongestExcerpt, "only a short reply is shown whole");
  }
  return 0;
}
