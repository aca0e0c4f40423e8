// What Lumora takes from the services' replies: the verdict, the short link, the failure excerpt.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace poster::web {

inline constexpr std::size_t kLongestShortLink = 2048;  // UTF-16 code units
inline constexpr std::size_t kLongestExcerpt = 1000;    // UTF-16 code units, before the ellipsis
inline constexpr std::size_t kMostExcerptLineBreaks = 20;

// True when the status service's reply says the status was posted: it holds "<screen_name>"
// exactly, anywhere.
bool IsSuccessReply(std::u16string_view reply);

// The short link in the shortening service's reply: the text before its first tab, when that
// text is empty or looks like a link: "http://" or "https://" in any case, then a host, at most
// kLongestShortLink code units, and only characters that show as themselves (no space, control,
// bidirectional or zero-width character, no lone surrogate). Nothing when there is no tab or
// the text is anything else.
std::optional<std::u16string> ShortLinkIn(std::u16string_view reply);

// The start of a reply fit for a message box: at most kLongestExcerpt code units and
// kMostExcerptLineBreaks line breaks, never half a surrogate pair; "…" follows when cut. Every
// control character other than CR, LF and tab, and every lone surrogate, shows as U+FFFD.
std::u16string ReplyExcerpt(std::u16string_view reply);

}  // namespace poster::web
