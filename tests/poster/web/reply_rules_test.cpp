#include "poster/web/reply_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace poster::web {
namespace {

TEST(ReplyRules, OnlyTextThatLooksLikeALinkIsAShortLink) {
  EXPECT_EQ(ShortLinkIn(u"http://sl.ks/abc\tmore\ttext"), u"http://sl.ks/abc");
  EXPECT_EQ(ShortLinkIn(u"HTTPS://SL.KS/x\t"), u"HTTPS://SL.KS/x");
  EXPECT_EQ(ShortLinkIn(u"\thttp://sl.ks/abc"), u"");  // empty before the tab stays allowed
  const std::u16string longest = u"http://" + std::u16string(kLongestShortLink - 7, u'a');
  EXPECT_EQ(ShortLinkIn(longest + u"\t"), longest);
  for (std::u16string link : {u"http://a", u"http://user@host:8080/p?q#f", u"http://[::1]:80/",
                              u"https://sl.ks/\u00E9t\u00E9\U0001F600"}) {
    EXPECT_EQ(ShortLinkIn(link + u"\t"), link) << std::string(link.begin(), link.end());
  }

  const std::u16string refused[] = {
      u"http://sl.ks/abc",  // no tab
      u"",
      u"<html>\r\n<head><title>Error</title></head>\t<body>",
      u"http://sl.ks/a\r\nb\t",
      u"http://sl.ks/a\u0085b\t",
      u"javascript:alert(1)\t",
      u"http:/sl.ks\t",
      u"ftp://sl.ks/a\t",
      longest + u"a\t",
      std::u16string(10000, u'x') + u"\t",
      // No host.
      u"http://\t",
      u"https:///path\t",
      u"http://user@:80/x\t",
      u"http://[]/x\t",
      u"http://\\evil\t",
      // Text that shows as something else, or not at all.
      u"http://sl.ks/abc and more words\t",
      u"http://sl.ks/abc\u00A0more\t",
      u"http://sl.ks/\u202Egnp.exe\t",
      u"http://sl.ks/\u202Ax\t",
      u"http://sl.ks/\u2067x\t",
      u"http://sl.ks/a\u200Bb\t",
      u"http://sl.ks/a\u200Fb\t",
      u"http://sl.ks/a\uFEFF\t",
      u"http://sl.ks/a\xD83D\t",
      u"http://sl.ks/a\xDE00"
      u"b\t",
  };
  for (const auto& reply : refused) {
    EXPECT_FALSE(ShortLinkIn(reply).has_value()) << std::string(reply.begin(), reply.end());
  }
}

TEST(ReplyRules, TheVerdictNeedsTheExactMarker) {
  EXPECT_TRUE(IsSuccessReply(u"<error>x</error><screen_name>a</screen_name>"));
  EXPECT_FALSE(IsSuccessReply(u"<SCREEN_NAME>a</SCREEN_NAME>"));
  EXPECT_FALSE(IsSuccessReply(u"<screen_name"));
}

TEST(ReplyRules, TheExcerptIsBoundedInLengthAndLines) {
  EXPECT_EQ(ReplyExcerpt(u""), u"");
  const std::u16string fits(kLongestExcerpt, u'x');
  EXPECT_EQ(ReplyExcerpt(fits), fits);
  EXPECT_EQ(ReplyExcerpt(fits + u"y"), fits + u"\u2026");

  // A cut that would split a surrogate pair leaves the whole character out.
  const std::u16string pairAtCut = std::u16string(kLongestExcerpt - 1, u'x') + u"\U0001F600";
  EXPECT_EQ(ReplyExcerpt(pairAtCut), std::u16string(kLongestExcerpt - 1, u'x') + u"\u2026");

  std::u16string lines;
  for (std::size_t i = 0; i < kMostExcerptLineBreaks; ++i) lines += u"line\r\n";
  EXPECT_EQ(ReplyExcerpt(lines + u"last"), lines + u"last");
  EXPECT_EQ(ReplyExcerpt(lines + u"\nmore"), lines + u"\u2026");
  EXPECT_EQ(ReplyExcerpt(std::u16string(5000, u'\r')),
            std::u16string(kMostExcerptLineBreaks, u'\r') + u"\u2026");
}

TEST(ReplyRules, TheExcerptShowsControlsAndLoneHalvesAsReplacements) {
  // A message box would end the text at the NUL and show nothing of the answer.
  EXPECT_EQ(ReplyExcerpt(std::u16string(u"\0Wrong password", 15)), u"\uFFFDWrong password");
  EXPECT_EQ(ReplyExcerpt(u"a\x01\x1B[2J\x7F\x85\x9F\tb\r\nc"),
            u"a\uFFFD\uFFFD[2J\uFFFD\uFFFD\uFFFD\tb\r\nc");
  EXPECT_EQ(ReplyExcerpt(u"\xDE00x\xD83D"), u"\uFFFDx\uFFFD");
  EXPECT_EQ(ReplyExcerpt(u"\U0001F600"), u"\U0001F600");
  // A lone high half at the cut is replaced, not dropped like the first half of a pair.
  const std::u16string loneAtCut = std::u16string(kLongestExcerpt - 1, u'x') + u"\xD83Dy";
  EXPECT_EQ(ReplyExcerpt(loneAtCut), std::u16string(kLongestExcerpt - 1, u'x') + u"\uFFFD\u2026");
}

}  // namespace
}  // namespace poster::web
