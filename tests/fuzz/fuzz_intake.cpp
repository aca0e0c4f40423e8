// The clipboard intake: trimmed, at most 140 code units, a prefix of the trimmed text, no pair cut.
#include <cstdint>
#include <string>

#include "poster/text_rules.h"
#include "tests/fuzz/fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string clipboard = fuzz::Utf16(data, size);
  const std::u16string trimmed = poster::TrimSpaces(clipboard);
  fuzz::Require(trimmed.empty() || (trimmed.front() != u' ' && trimmed.back() != u' '),
                "no space at either end");
  fuzz::Require(clipboard.find(trimmed) != std::u16string::npos, "trimming only removes");
  const std::u16string intake = poster::IntakeText(clipboard);
  fuzz::Require(intake.size() <= poster::kMaxStatusLength, "at most 140 code units");
  fuzz::Require(trimmed.starts_with(intake), "a prefix of the trimmed text");
  fuzz::Require(
      trimmed.size() <= poster::kMaxStatusLength ? intake == trimmed : intake.size() >= 139,
      "only what is past the limit is cut");
  const bool splitsAPair = !intake.empty() && intake.size() < trimmed.size() &&
                           intake.back() >= 0xD800 && intake.back() <= 0xDBFF &&
                           trimmed[intake.size()] >= 0xDC00 && trimmed[intake.size()] <= 0xDFFF;
  fuzz::Require(!splitsAPair, "a cut never splits a pair");
  return 0;
}
