#include "poster/text_rules.h"

#include "platform/common/text.h"

namespace poster {

std::u16string TrimSpaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = text.find_last_not_of(u' ');
  return std::u16string(text.substr(first, last - first + 1));
}

std::u16string IntakeText(std::u16string_view clipboard) {
  std::u16string text = TrimSpaces(clipboard);
  if (text.size() > kMaxStatusLength) {
    std::size_t cut = kMaxStatusLength;
    if (platform::IsHighSurrogate(text[cut - 1])) --cut;
    text.resize(cut);
  }
  return text;
}

CounterLook CounterFor(std::size_t length) {
  CounterLook look{platform::Joined({platform::DecimalText(length), u" Characters."}),
                   kCounterYellow};
  if (length > kMaxStatusLength) {
    look.color = kCounterDarkRed;
    look.caption += u"( FYI: Only the first 140 will be sent as \"a tweet\" )";
  }
  return look;
}

}  // namespace poster
