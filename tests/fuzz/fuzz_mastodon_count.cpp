// The Mastodon-compatible counter and cut on long texts full of links, marks and emoji: the cut
// fits, is a start of the text and ends between clusters. Run with a time bound per input
// (fuzz_mastodon_count.options), so that work growing faster than the text is a finding.
#include <cstdint>
#include <string>

#include "platform/common/graphemes.h"
#include "poster/mastodon/mastodon.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

// Each byte of the input after the limits is one of these pieces (or, from 22 up, itself), so
// that short inputs make texts dense in what the count treats apart.
constexpr const char16_t* kPieces[] = {
    u"http://", u"https://",   u"-",          u"a",      u" ",          u"(",      u")",  u".",
    u"\u0301",  u"\U0001F44D", u"\U0001F3FD", u"\u200D", u"\U0001F1EB", u"\u0600", u"\n", u"\xD800",
    u"\xDC00",  u"\u1100",     u"\uAC00",     u"\u0903", u"\r",         u"/"};

// Whether a cluster of `text` starts at `at` (or `at` is its end).
bool StartsCluster(const std::u16string& text, std::size_t at) {
  if (at == 0 || at == text.size()) return true;
  platform::GraphemeBreaker breaker;
  for (std::size_t i = 0; i < text.size();) {
    const platform::CodePoint point = platform::CodePointAt(text, i);
    const bool starts = breaker.StartsCluster(point.value);
    if (i >= at) return i == at && starts;
    i += point.units;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace poster::web;
  if (size < 4) return 0;
  const std::size_t most = 1 + (data[0] | data[1] << 8 | data[2] << 16) % kHighestStatusLimit;
  const StatusLimits limits{most, data[3] % 30u};
  std::u16string text;
  for (std::size_t i = 4; i < size; ++i) {
    if (data[i] < std::size(kPieces)) {
      text += kPieces[data[i]];
    } else {
      text += static_cast<char16_t>(data[i]);
    }
  }

  const std::size_t length = MastodonLength(text, limits.charactersPerUrl);
  const std::u16string cut = CutToLimit(text, limits);
  fuzz::Require(text.starts_with(cut), "the cut is a start of the text");
  fuzz::Require(MastodonLength(cut, limits.charactersPerUrl) <= limits.maxCharacters,
                "the cut fits the limit");
  fuzz::Require((cut.size() == text.size()) == (length <= limits.maxCharacters),
                "the text is cut exactly when it is over the limit");
  fuzz::Require(StartsCluster(text, cut.size()), "the cut ends between clusters");
  return 0;
}
