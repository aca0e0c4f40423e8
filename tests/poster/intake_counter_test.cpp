#include <string>

#include "poster/text_rules.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

class Intake : public LumoraTest {
 protected:
  // Loads, lets the timer tick once; returns false when the program ended.
  bool StartWithClipboard(const std::u16string& text) {
    clipboard.text = text;
    if (!Load()) return false;
    return Run([this] { timer.Elapse(); });
  }
};

TEST_F(Intake, TicksOnceAndTakesTheTrimmedText) {
  ASSERT_TRUE(StartWithClipboard(u"  hello  "));
  EXPECT_EQ(tweet.Text(), u"hello");
  EXPECT_EQ(llen.Caption(), u"5 Characters.");
  EXPECT_FALSE(timer.Enabled());
  timer.Elapse();
  EXPECT_EQ(clipboard.reads, 1);
}

TEST_F(Intake, EmptyOrBlankClipboardEndsSilently) {
  for (const std::u16string text : {u"", u"     "}) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    process.ends = 0;
    boxes.shown.clear();
    clipboard.text = text;
    EXPECT_FALSE(Run([this] { Main().Timer1_Timer(); }));
    EXPECT_EQ(process.ends, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tweet.Text(), u"");
  }
}

TEST_F(Intake, OnlySpacesAreTrimmedNotTabsOrLineBreaks) {
  EXPECT_EQ(IntakeText(u" \tword\r\n "), u"\tword\r\n");
  EXPECT_EQ(IntakeText(u"\r\n"), u"\r\n");
  EXPECT_EQ(IntakeText(u"a  b"), u"a  b");
}

TEST_F(Intake, CutsTo140AfterTrimming) {
  const std::u16string body(150, u'x');
  EXPECT_EQ(IntakeText(u"    " + body), body.substr(0, 140));
  EXPECT_EQ(IntakeText(std::u16string(200, u' ') + u"z"), u"z");
  std::u16string spacesAtCut = std::u16string(139, u'a') + u"  b";
  EXPECT_EQ(IntakeText(spacesAtCut), std::u16string(139, u'a') + u" ") << "cut leaves the space";
  EXPECT_EQ(IntakeText(std::u16string(140, u'q')).size(), 140u);
}

TEST_F(Intake, LongClipboardFillsTheBoxWithItsFirst140InYellow) {
  std::u16string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char16_t>(u'a' + i % 26);
  ASSERT_TRUE(StartWithClipboard(text));
  EXPECT_EQ(tweet.Text(), text.substr(0, 140));
  EXPECT_EQ(llen.Caption(), u"140 Characters.");
  EXPECT_EQ(llen.ForeColor(), kCounterYellow);
}

TEST_F(Intake, NeverSplitsACharacterMadeOfTwoCodeUnits) {
  std::u16string emoji;
  for (int i = 0; i < 80; ++i) emoji += u"\U0001F600";
  EXPECT_EQ(IntakeText(emoji), emoji.substr(0, 140));
  const std::u16string shifted = u"x" + emoji;
  EXPECT_EQ(IntakeText(shifted), shifted.substr(0, 139));
  // Found by fuzzing: a lone high surrogate just before the cut was already alone, so it stays.
  const std::u16string lone = std::u16string(138, u'x') + u"\xD800\xD800\xDC00";
  EXPECT_EQ(IntakeText(lone), lone.substr(0, 139));
}

TEST_F(Intake, TakesTextBeyondTheAnsiCodePageIntact) {
  ASSERT_TRUE(StartWithClipboard(u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600"));
  EXPECT_EQ(tweet.Text(), u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600");
  EXPECT_EQ(llen.Caption(), u"9 Characters.");
}

TEST_F(Intake, HugeClipboardWithNulsIsCutLikeAnyOther) {
  std::u16string huge(10 * 1024 * 1024, u'y');
  huge[3] = u'\0';
  ASSERT_TRUE(StartWithClipboard(huge));
  EXPECT_EQ(tweet.Text(), huge.substr(0, 140));
}

TEST(Counter, CaptionAndColourFollowTheLength) {
  EXPECT_EQ(CounterFor(0).caption, u"0 Characters.");
  EXPECT_EQ(CounterFor(1).caption, u"1 Characters.");
  EXPECT_EQ(CounterFor(140).caption, u"140 Characters.");
  EXPECT_EQ(CounterFor(140).color, kCounterYellow);
  EXPECT_EQ(CounterFor(141).caption,
            u"141 Characters.( FYI: Only the first 140 will be sent as \"a tweet\" )");
  EXPECT_EQ(CounterFor(141).color, kCounterDarkRed);
  EXPECT_EQ(kCounterDarkRed.Stored(), 192u);
  EXPECT_EQ(kCounterYellow.Stored(), 65535u);
}

TEST_F(Intake, CounterIsRebuiltOnEveryChangeSoTheNoteNeverDoubles) {
  Main();
  EXPECT_EQ(llen.Caption(), u"0") << "design caption until the first change";
  tweet.SetText(std::u16string(150, u'x'));
  tweet.Type(u"y");
  EXPECT_EQ(llen.Caption(),
            u"151 Characters.( FYI: Only the first 140 will be sent as \"a tweet\" )");
  tweet.SetText(u"");
  EXPECT_EQ(llen.Caption(), u"0 Characters.");
  EXPECT_EQ(llen.ForeColor(), kCounterYellow);
  tweet.Type(u"\r\n");
  EXPECT_EQ(llen.Caption(), u"2 Characters.");
  tweet.SetText(u"  a  ");
  EXPECT_EQ(llen.Caption(), u"5 Characters.") << "the counter counts spaces the send trims";
}

}  // namespace
}  // namespace poster::testing
