// Small text helpers shared by every part of the program; UTF-16, lengths in code units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// `n` in decimal digits, e.g. u"140"; no sign, no grouping.
std::u16string DecimalText(std::uint64_t n);

// The parts one after another: one allocation where a chain of `+` makes a temporary per part.
std::u16string Joined(std::initializer_list<std::u16string_view> parts);

// `c` lowered when it is A-Z; every other code unit as it is (no locale).
char16_t AsciiLower(char16_t c);
std::u16string AsciiLower(std::u16string_view text);

// The value of hexadecimal digit `c` (0-9, A-F or a-f), or -1 when it is none.
int HexDigitValue(char32_t c);

// Whether `text` begins with `lowerPrefix` (written in lower case), A-Z in `text` matching a-z.
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view lowerPrefix);

// The halves of a surrogate pair: the high (first) and the low (second).
constexpr bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// Whether a whole surrogate pair starts at `at` (which is inside `text`).
bool PairStartsAt(std::u16string_view text, std::size_t at);
// Whether the code unit at `at` is half of a surrogate pair without its other half.
bool IsLoneSurrogate(std::u16string_view text, std::size_t at);

// One code point of UTF-16 text and how many code units it takes.
struct CodePoint {
  char32_t value = 0;
  std::size_t units = 1;
};

// The code point starting at `at` (< text.size()): a surrogate pair as one code point of two
// units; a lone surrogate as a code point of its own, one unit.
CodePoint CodePointAt(std::u16string_view text, std::size_t at);

// Appends code point `c` (at most U+10FFFF) as one code unit, or as a surrogate pair above
// U+FFFF.
void AppendCodePoint(std::u16string& out, char32_t c);

// Whether `c` takes no room or moves the text around it: the bidirectional controls (U+061C,
// U+200E-U+200F, U+202A-U+202E, U+2066-U+2069), the zero-width and other invisible format
// characters and fillers. Spaces are not among them.
bool IsHiddenMark(char16_t c);

}  // namespace platform
