// Small text helpers shared by every part of the program; UTF-16, lengths in code units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// `n` in decimal digits, e.g. u"140"; no sign, no grouping.
std::u16string DecimalText(std::uint64_t n);

// `text` with A-Z lowered to a-z; every other code unit as it is (no locale).
std::u16string AsciiLower(std::u16string_view text);

}  // namespace platform
