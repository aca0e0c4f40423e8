// Unicode extended grapheme clusters (UAX #29): what a reader sees as one character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/common/text.h"

namespace platform {

// Finds where clusters start, given a text's code points one at a time in order.
class GraphemeBreaker {
 public:
  // True when a new cluster starts at `codePoint` (always for the first one given); false when
  // it belongs to the cluster of the code points before it. Any value is accepted.
  bool StartsCluster(char32_t codePoint);

 private:
  std::uint8_t previous_ = 0xFF;    // the property of the code point before, 0xFF at the start
  bool pictographicRun_ = false;    // the code points before end in Extended_Pictographic Extend*
  bool joinsPictographic_ = false;  // ... end in Extended_Pictographic Extend* ZWJ
  bool oddIndicators_ = false;      // ... end in an odd number of regional indicators
};

// The number of clusters in `text`; lone surrogates count as code points of their own.
std::size_t CountGraphemes(std::u16string_view text);

}  // namespace platform
