// Helpers shared by the fuzz targets: fuzz bytes as UTF-16 text, and a stop on a broken rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Pairs of bytes as little-endian UTF-16 code units; an odd last byte is dropped.
inline std::u16string Utf16(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return text;
}

// Stops the run with a message, so libFuzzer keeps the input that broke `rule`.
inline void Require(bool holds, const char* rule) {
  if (!holds) {
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
  }
}

}  // namespace fuzz
