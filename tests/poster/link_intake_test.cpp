#include "poster/link_intake.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace poster {
namespace {

std::u16string Repeat(std::u16string_view piece, std::size_t times) {
  std::u16string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(LinkArgument, TakesEverythingAfterTheProgramNameAsOneArgument) {
  EXPECT_EQ(LinkArgument(u"\"C:\\P F\\Lumora.exe\""), std::nullopt);
  EXPECT_EQ(LinkArgument(u"\"C:\\P F\\Lumora.exe\"  \t "), std::nullopt);
  EXPECT_EQ(LinkArgument(u"Lumora.exe"), std::nullopt);
  EXPECT_EQ(LinkArgument(u"\"C:\\P F\\Lumora.exe\" \"lumora:post?text=a\""), u"lumora:post?text=a");
  EXPECT_EQ(LinkArgument(u"C:\\Lumora.exe lumora:post?text=a"), u"lumora:post?text=a");
  // The shell quotes the link as given; quotes inside it cannot make a second argument.
  EXPECT_EQ(LinkArgument(u"\"C:\\Lumora.exe\" \"lumora:post?text=a\" \"--x\""),
            u"lumora:post?text=a\" \"--x");
  EXPECT_EQ(LinkArgument(u"\"C:\\Lumora.exe\"\"x\""), u"x");
  EXPECT_EQ(LinkArgument(u"\"C:\\Lumora.exe\" \"\""), u"");
}

TEST(ReadLink, ReadsBothParametersInAnyOrderAndIgnoresOthers) {
  const auto link = ReadLink(
      u"lumora:post?text=Hello%20w%C3%B6rld%21&url=https%3A%2F%2Fa.example%2F%3Fq%3D1%26r%3D2");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->text, u"Hello w\u00f6rld!");
  EXPECT_EQ(link->url, u"https://a.example/?q=1&r=2");
  EXPECT_EQ(link->title, u"");
  const auto titled = ReadLink(u"lumora:post?title=Caf%C3%A9%20%E2%80%8Ba+b&url=u");
  ASSERT_TRUE(titled);
  EXPECT_EQ(titled->title, u"Caf\u00e9 a+b") << "decoded, hidden marks removed";

  const auto swapped = ReadLink(u"LUMORA:POST?x=%zz&url=u&&text=%F0%9F%98%80+%27%22#frag%");
  ASSERT_TRUE(swapped);
  EXPECT_EQ(swapped->text, u"\U0001F600+'\"") << "a plus sign is itself, not a space";
  EXPECT_EQ(swapped->url, u"u");

  for (const char16_t* empty :
       {u"lumora:post", u"lumora:post?", u"lumora://post/?text=&url=", u"lumora:post?text&url"}) {
    const auto none = ReadLink(empty);
    ASSERT_TRUE(none) << "every parameter may be missing";
    EXPECT_EQ(none->text, u"");
    EXPECT_EQ(none->url, u"");
  }
}

TEST(ReadLink, DecodesExactlyOnceAndKeepsLineBreaksOnlyInTheText) {
  const auto link = ReadLink(u"lumora:post?text=50%2525%0Aoff%0D%0A&url=a%25b");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->text, u"50%25\noff\r\n");
  EXPECT_EQ(link->url, u"a%b");
  EXPECT_FALSE(ReadLink(u"lumora:post?url=a%0Ab"));
  // Hex digits in either case, every letter's and digit's edge.
  const auto cases = ReadLink(u"lumora:post?text=%2a%2A%2f%2F%30%39%c3%A9");
  ASSERT_TRUE(cases);
  EXPECT_EQ(cases->text, u"**//09\u00e9");
  // Raw text that a shell or a person left unencoded is read as it stands.
  const auto raw = ReadLink(u"lumora:post?text=a\" \"--x");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->text, u"a\" \"--x");
}

TEST(ReadLink, RefusesHostileLinks) {
  for (const char16_t* hostile : {
           u"lumora:post?text=a&text=b",      // a parameter twice
           u"lumora:post?url=a&url=a",        //
           u"lumora:post?title=a&title=b",    //
           u"lumora:post?title=a%0Ab",        // a line break in the title
           u"lumora:post?text=%",             // % without two hex digits
           u"lumora:post?text=%4",            //
           u"lumora:post?text=%G1",           //
           u"lumora:post?text=a%00b",         // NUL
           u"lumora:post?text=%09",           // other control characters
           u"lumora:post?text=%1B%5B2J",      //
           u"lumora:post?text=%7F",           //
           u"lumora:post?text=%C2%85",        //
           u"lumora:post?text=a\tb",          //
           u"lumora:post?text=%C0%AF",        // overlong
           u"lumora:post?text=%E0%80%AF",     //
           u"lumora:post?text=%ED%A0%80",     // a lone surrogate
           u"lumora:post?text=%F4%90%80%80",  // past U+10FFFF
           u"lumora:post?text=%E2%82",        // cut short
           u"lumora:post?text=%E2%82x%AC",    //
           u"lumora:post?text=%FF",           //
           u"lumora:post?text=\xD800",        // raw lone surrogate
           u"http://example.com/?text=a",     // another scheme
           u"lumoras:post?text=a",            //
           u"lumora:delete?text=a",           // another action
           u"lumora:",                        //
           u"",                               //
       }) {
    EXPECT_FALSE(ReadLink(hostile))
        << std::string(hostile, hostile + std::char_traits<char16_t>::length(hostile));
  }
}

// Bidirectional controls and zero-width characters would show the text or the address as
// something other than what is sent.
TEST(ReadLink, RemovesHiddenMarksFromTextAndAddress) {
  const auto link = ReadLink(
      u"lumora:post?text=a%E2%80%AEb%E2%81%A6c%E2%80%8Bd%EF%BB%BFe%D8%9Cf%E2%80%8Dg"
      u"&url=http://x.example/%E2%80%AEfdp.exe%E2%80%8F%E2%80%8D");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->text, u"abcdefg");
  EXPECT_EQ(link->url, u"http://x.example/fdp.exe");
  // A joiner after a character outside ASCII shapes an emoji sequence or a script: it stays.
  EXPECT_EQ(ReadLink(u"lumora:post?text=%F0%9F%91%A9%E2%80%8D%F0%9F%92%BB")->text,
            u"\U0001F469\u200D\U0001F4BB");
}

TEST(ReadLink, RefusesALinkPastTheCommandLineLimit) {
  const std::u16string head = u"lumora:post?text=";
  EXPECT_TRUE(ReadLink(head + Repeat(u"a", kMaxLinkLength - head.size())));
  EXPECT_FALSE(ReadLink(head + Repeat(u"a", kMaxLinkLength - head.size() + 1)));
  EXPECT_FALSE(ReadLink(head + Repeat(u"a", 40000)));
}

TEST(LinkStatusText, MakesLineBreaksCrLfThenTrimsAndCutsLikeTheClipboard) {
  EXPECT_EQ(LinkStatusText(u"  a\nb\r\nc\rd  "), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(LinkStatusText(Repeat(u"x", 150)), Repeat(u"x", 140));
  // The cut keeps a character whole, and a line break whole or not at all.
  EXPECT_EQ(LinkStatusText(Repeat(u"x", 139) + u"\U0001F600"), Repeat(u"x", 139));
  EXPECT_EQ(LinkStatusText(Repeat(u"x", 139) + u"\ny"), Repeat(u"x", 139));
  EXPECT_EQ(LinkStatusText(u""), u"");
}

// Below a run of empty lines the box would show nothing of what is sent.
TEST(LinkStatusText, KeepsAtMostOneEmptyLineInARow) {
  const auto link = ReadLink(
      u"lumora:post?text=Nice%20article!%0A%0A%0A%0A%0A%0A%0ABuy%20followers%20http%3A%2F%2Fspam."
      u"example");
  ASSERT_TRUE(link);
  EXPECT_EQ(LinkStatusText(link->text), u"Nice article!\r\n\r\nBuy followers http://spam.example");
  EXPECT_EQ(LinkStatusText(u"a\r\n\r\n \r\r\n\t\n\u3000\nb\n\nc"), u"a\r\n\r\nb\r\n\r\nc");
  const web::StatusLimits limits{500, 23};
  EXPECT_EQ(LinkStatusText(u"a\r\r\r\rb", &limits), u"a\r\n\r\nb");
}

TEST(LinkOpenCommand, QuotesThePathAndTheLink) {
  EXPECT_EQ(LinkOpenCommand(u"C:\\Program Files (x86)\\Kestrova\\Lumora.exe"),
            u"\"C:\\Program Files (x86)\\Kestrova\\Lumora.exe\" \"%1\"");
}

}  // namespace
}  // namespace poster
