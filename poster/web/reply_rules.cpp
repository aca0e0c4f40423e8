#include "poster/web/reply_rules.h"

#include "platform/common/text.h"

namespace poster::web {
namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

}  // namespace

bool IsSuccessReply(std::u16string_view reply) {
  return reply.find(u"<screen_name>") != std::u16string_view::npos;
}

std::optional<std::u16string> ShortLinkIn(std::u16string_view reply) {
  const std::size_t tab = reply.find(u'\t');
  if (tab == std::u16string_view::npos) return std::nullopt;
  const std::u16string_view link = reply.substr(0, tab);
  if (link.empty()) return std::u16string();
  if (link.size() > kLongestShortLink) return std::nullopt;
  if (!platform::StartsWithAsciiNoCase(link, u"http://") &&
      !platform::StartsWithAsciiNoCase(link, u"https://")) {
    return std::nullopt;
  }
  for (char16_t c : link) {
    if (IsControl(c)) return std::nullopt;
  }
  return std::u16string(link);
}

std::u16string ReplyExcerpt(std::u16string_view reply) {
  std::size_t end = 0;
  std::size_t lineBreaks = 0;
  while (end < reply.size() && end < kLongestExcerpt) {
    const char16_t c = reply[end];
    const bool breaks =
        c == u'\n' || (c == u'\r' && (end + 1 == reply.size() || reply[end + 1] != u'\n'));
    if (breaks && ++lineBreaks > kMostExcerptLineBreaks) break;
    ++end;
  }
  if (end == reply.size()) return std::u16string(reply);
  // Never end on the first half of a surrogate pair.
  if (end > 0 && reply[end - 1] >= 0xD800 && reply[end - 1] <= 0xDBFF) --end;
  return std::u16string(reply.substr(0, end)) + u"\u2026";
}

}  // namespace poster::web
