// Lumora's rules for text: trimming, the clipboard intake's cut and the length counter's look.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/controls.h"

namespace poster {

// The longest status the service takes, in UTF-16 code units.
inline constexpr std::size_t kMaxStatusLength = 140;

// `text` without leading and trailing spaces (U+0020); tabs and line breaks stay.
std::u16string TrimSpaces(std::u16string_view text);

// The status text taken from the clipboard: trimmed, then cut to kMaxStatusLength code units.
// A cut never splits a surrogate pair; the character it would split is left out whole.
std::u16string IntakeText(std::u16string_view clipboard);

// A message box's title and text.
struct Notice {
  std::u16string title;
  std::u16string text;
  friend bool operator==(const Notice&, const Notice&) = default;
};

struct CounterLook {
  std::u16string caption;
  platform::Rgb color;
};

inline constexpr platform::Rgb kCounterYellow{255, 255, 0};
inline constexpr platform::Rgb kCounterDarkRed{192, 0, 0};

// The counter label for a status of `length` code units.
CounterLook CounterFor(std::size_t length);

}  // namespace poster
