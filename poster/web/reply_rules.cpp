#include "poster/web/reply_rules.h"

#include "platform/common/text.h"

namespace poster::web {
namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Whether text[at] is half of a surrogate pair that has no other half.
bool IsLoneSurrogate(std::u16string_view text, std::size_t at) {
  const char16_t c = text[at];
  if (IsHighSurrogate(c)) return at + 1 == text.size() || !IsLowSurrogate(text[at + 1]);
  if (IsLowSurrogate(c)) return at == 0 || !IsHighSurrogate(text[at - 1]);
  return false;
}

// Characters that take no room or move other text around, and the spaces: appended to a
// status, any of them lets a link end in text that only seems to belong to the page.
bool IsInvisibleOrSpace(char16_t c) {
  return platform::IsHiddenMark(c) || c == 0x0020 || c == 0x00A0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

// "http://" or "https://" followed by a host: the authority up to the path, query or fragment,
// without any user part before '@' and without the port, must not be empty.
bool HasSchemeAndHost(std::u16string_view link) {
  std::size_t at;
  if (platform::StartsWithAsciiNoCase(link, u"http://")) {
    at = 7;
  } else if (platform::StartsWithAsciiNoCase(link, u"https://")) {
    at = 8;
  } else {
    return false;
  }
  std::u16string_view authority = link.substr(at);
  authority = authority.substr(0, authority.find_first_of(u"/?#\\"));
  const std::size_t userEnd = authority.rfind(u'@');
  if (userEnd != std::u16string_view::npos) authority.remove_prefix(userEnd + 1);
  if (authority.starts_with(u'[')) {
    const std::size_t close = authority.find(u']');
    return close != std::u16string_view::npos && close > 1;
  }
  return !authority.empty() && authority.front() != u':';
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
  if (!HasSchemeAndHost(link)) return std::nullopt;
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (IsControl(link[i]) || IsInvisibleOrSpace(link[i]) || IsLoneSurrogate(link, i)) {
      return std::nullopt;
    }
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
  const bool cut = end < reply.size();
  // Never end on the first half of a surrogate pair.
  if (cut && end > 0 && IsHighSurrogate(reply[end - 1]) && IsLowSurrogate(reply[end])) --end;

  // A message box ends its text at a NUL, and other control characters show as nothing or
  // as boxes: each becomes U+FFFD, so the service's answer after one is still shown.
  std::u16string excerpt(reply.substr(0, end));
  for (std::size_t i = 0; i < excerpt.size(); ++i) {
    const char16_t c = excerpt[i];
    const bool keptControl = c == u'\r' || c == u'\n' || c == u'\t';
    if ((c < 0x20 && !keptControl) || (c >= 0x7F && c <= 0x9F) || IsLoneSurrogate(reply, i)) {
      excerpt[i] = u'\uFFFD';
    }
  }
  if (cut) excerpt += u"\u2026";
  return excerpt;
}

}  // namespace poster::web
