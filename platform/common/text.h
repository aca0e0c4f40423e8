// Small text helpers shared by every part of the program; UTF-16, lengths in code units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// `n` in decimal digits, e.g. u"140"; no sign, no grouping.
std::u16string DecimalText(std::uint64_t n);

// `c` lowered when it is A-Z; every other code unit as it is (no locale).
char16_t AsciiLower(char16_t c);
std::u16string AsciiLower(std::u16string_view text);

// Whether `text` begins with `lowerPrefix` (written in lower case), A-Z in `text` matching a-z.
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view lowerPrefix);

}  // namespace platform
