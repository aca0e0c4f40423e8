// Links that start Lumora: lumora:post?text=...&url=..., read from the raw command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "kestrova/kestrova_folder.h"
#include "poster/mastodon/mastodon.h"

namespace poster {

// The longest link read, in UTF-16 code units; the system's own limit for a command line.
inline constexpr std::size_t kMaxLinkLength = 32767;

// The scheme's name and the command that opens its links, shared with the installer.
using kestrova::kLinkScheme;
using kestrova::LinkOpenCommand;

// The text of the box for a link that is not understood.
inline constexpr char16_t kLinkNotUnderstood[] =
    u"This program was started with a link it does not understand. Nothing was taken from it.";

// What a link hands over: the status text, the long address and the page's title, all decoded,
// any empty.
struct LinkContent {
  std::u16string text;
  std::u16string url;
  std::u16string title;
  bool settings = false;  // lumora:settings: open the Service settings dialog, nothing more
};

// `value` with every %XX decoded once; nullopt when a "%" lacks two hex digits or a run of
// escapes is not whole UTF-8 characters.
std::optional<std::u16string> PercentDecoded(std::u16string_view value);

// The program's one argument, taken raw from the whole command line `commandLine` (program
// name first, as the system passes it): everything after the program name, with spaces and
// tabs at either end removed and one pair of enclosing quotes taken off. Quotes inside stay,
// so they cannot split the link into several arguments. nullopt when there is no argument.
std::optional<std::u16string> LinkArgument(std::u16string_view commandLine);

// Reads `link` as lumora:post?text=T&url=U&title=N (scheme in any case, parameters in any order,
// each optional, others ignored, a "#" part ignored), or as lumora:settings (anything after it
// ignored: the link can do no more than open the dialog). Values are percent-decoded once as
// UTF-8.
// nullopt for a link it does not understand: longer than kMaxLinkLength, another scheme or
// action, a known parameter twice, a "%" without two hex digits, invalid or overlong UTF-8,
// a control character (line breaks are allowed in `text` only) or an unpaired surrogate.
// Bidirectional controls and zero-width characters (platform::IsHiddenMark) are removed from
// every value; in `text` a joiner (U+200C, U+200D) after a character outside ASCII stays.
std::optional<LinkContent> ReadLink(std::u16string_view link);

// The status text a link gives: line breaks made CR LF, as a typed Enter makes them, at most
// one empty line in a row (a line of nothing but blanks counts as empty), then the
// clipboard intake's trim and cut (to `limits` as a Mastodon-compatible server counts, when
// given); a cut never leaves half a line break.
std::u16string LinkStatusText(std::u16string_view text, const web::StatusLimits* limits = nullptr);

}  // namespace poster
