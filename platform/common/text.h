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

// Whether `c` takes no room or moves the text around it: the bidirectional controls (U+061C,
// U+200E-U+200F, U+202A-U+202E, U+2066-U+2069), the zero-width and other invisible format
// characters and fillers. Spaces are not among them.
bool IsHiddenMark(char16_t c);

}  // namespace platform
