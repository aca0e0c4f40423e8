#include "platform/common/graphemes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace platform {
namespace {

// One line of GraphemeBreakTest.txt ("÷ 0020 × 0308 ÷ 000D ÷ # ..."): the text, and for each
// code unit whether a cluster starts there.
struct BreakCase {
  std::u16string text;
  std::vector<bool> starts;
};

void Append(std::u16string& text, char32_t codePoint) {
  if (codePoint < 0x10000) {
    text.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  text.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
  text.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
}

BreakCase ParseCase(const std::string& line) {
  BreakCase parsed;
  std::istringstream words(line.substr(0, line.find('#')));
  bool breakBefore = false;
  for (std::string word; words >> word;) {
    if (word == "\xC3\xB7" || word == "\xC3\x97") {  // ÷ and × in UTF-8
      breakBefore = word == "\xC3\xB7";
      continue;
    }
    const std::size_t before = parsed.text.size();
    Append(parsed.text, static_cast<char32_t>(std::stoul(word, nullptr, 16)));
    parsed.starts.resize(parsed.text.size(), false);
    parsed.starts[before] = breakBefore;
  }
  return parsed;
}

TEST(Graphemes, EveryLineOfTheUnicodeBreakTestHolds) {
  std::ifstream file(LUMORA_GRAPHEME_BREAK_TEST);
  ASSERT_TRUE(file) << LUMORA_GRAPHEME_BREAK_TEST << " is missing: run scripts/install_deps.sh";
  std::size_t checked = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    const BreakCase expected = ParseCase(line);
    std::vector<bool> starts(expected.text.size(), false);
    GraphemeBreaker breaker;
    std::size_t clusters = 0;
    for (std::size_t at = 0; at < expected.text.size();) {
      const CodePoint point = CodePointAt(expected.text, at);
      starts[at] = breaker.StartsCluster(point.value);
      clusters += starts[at];
      at += point.units;
    }
    EXPECT_EQ(starts, expected.starts) << line;
    EXPECT_EQ(CountGraphemes(expected.text), clusters) << line;
    ++checked;
  }
  EXPECT_GT(checked, 0u);
  std::cout << checked << " lines of " << LUMORA_GRAPHEME_BREAK_TEST << " checked\n";
}

TEST(Graphemes, LoneSurrogatesAreCodePointsOfTheirOwn) {
  EXPECT_EQ(CountGraphemes(u""), 0u);
  EXPECT_EQ(CountGraphemes(u"\xDC00\xD800"), 2u);
  EXPECT_EQ(CountGraphemes(u"a\xD83D"), 2u);
  EXPECT_EQ(CodePointAt(u"\xD83D\xDC4D", 0).value, 0x1F44Du);
  EXPECT_EQ(CodePointAt(u"\xD83D\xDC4D", 1).units, 1u);
}

// The break test's three syllables would pass with a wrong period too; a vowel joins a syllable
// without a final consonant (every 28th from U+AC00) and not one with it.
TEST(Graphemes, SyllablesAreToldApartAcrossTheWholeBlock) {
  EXPECT_EQ(CountGraphemes(u"\uAC1C\u1161"), 1u);  // 28 after U+AC00: no final consonant
  EXPECT_EQ(CountGraphemes(u"\uAC1B\u1161"), 2u);  // 27 after: with one
  EXPECT_EQ(CountGraphemes(u"\uD7A3\u1161"), 2u);  // the block's last syllable has one
}

}  // namespace
}  // namespace platform
