#include "platform/common/graphemes.h"

#include <iterator>

namespace platform {
namespace {

// In the order platform/common/make_grapheme_tables.py numbers them.
enum Property : std::uint8_t {
  kOther,
  kCR,
  kLF,
  kControl,
  kExtend,
  kZwj,
  kRegionalIndicator,
  kPrepend,
  kSpacingMark,
  kL,
  kV,
  kT,
  kHangulSyllable,
  kPictographic,
  kLV,
  kLVT,
};

// Built from the Unicode data files by make_grapheme_tables.py (see platform/CMakeLists.txt).
#include "grapheme_runs.inc"

std::uint32_t RunStart(std::size_t run) {
  return static_cast<std::uint32_t>(kRunValues[run] >> 4) << 16 | kRunStarts[run];
}

Property PropertyOf(char32_t codePoint) {
  if ((codePoint >= 0x20 && codePoint < 0x7F) || codePoint > 0x10FFFF) return kOther;
  // The last run starting at or before the code point; the first run starts at 0.
  std::size_t low = 0;
  std::size_t high = std::size(kRunStarts);
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    (RunStart(middle) <= codePoint ? low : high) = middle;
  }
  const auto property = static_cast<Property>(kRunValues[low] & 0xF);
  if (property != kHangulSyllable) return property;
  // Every 28th syllable from U+AC00 has no final consonant.
  return (codePoint - 0xAC00) % 28 == 0 ? kLV : kLVT;
}

bool IsLineControl(std::uint8_t property) {
  return property == kCR || property == kLF || property == kControl;
}

// Whether a cluster goes on from a code point of property `before` to one of `after`, by the
// pair rules alone (the emoji and regional indicator rules need the state).
bool PairJoins(std::uint8_t before, std::uint8_t after) {
  if (before == kCR && after == kLF) return true;
  if (IsLineControl(before) || IsLineControl(after)) return false;
  if (before == kL && (after == kL || after == kV || after == kLV || after == kLVT)) return true;
  if ((before == kLV || before == kV) && (after == kV || after == kT)) return true;
  if ((before == kLVT || before == kT) && after == kT) return true;
  return after == kExtend || after == kZwj || after == kSpacingMark || before == kPrepend;
}

}  // namespace

bool GraphemeBreaker::StartsCluster(char32_t codePoint) {
  const Property property = PropertyOf(codePoint);
  const bool starts =
      previous_ == 0xFF ||
      !(PairJoins(previous_, property) || (joinsPictographic_ && property == kPictographic) ||
        (previous_ == kRegionalIndicator && property == kRegionalIndicator && oddIndicators_));
  joinsPictographic_ = pictographicRun_ && property == kZwj;
  pictographicRun_ = property == kPictographic || (pictographicRun_ && property == kExtend);
  oddIndicators_ = property == kRegionalIndicator && !(previous_ == property && oddIndicators_);
  previous_ = property;
  return starts;
}

std::size_t CountGraphemes(std::u16string_view text) {
  GraphemeBreaker breaker;
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size();) {
    const CodePoint point = CodePointAt(text, at);
    count += breaker.StartsCluster(point.value);
    at += point.units;
  }
  return count;
}

}  // namespace platform
