#include <string>
#include <vector>

#include "poster/text_rules.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

class LinkShortening : public LumoraTest {
 protected:
  LinkShortening() {
    Main();
    tweet.SetText(u"Look");
  }
  void Shorten(const std::u16string& address, const std::u16string& reply) {
    longUrl_ = address;
    longUrl.SetText(address);
    http.scripts.push_back({reply});
    tinyUrlButton.Click();
  }
  std::string SentBody(std::size_t request = 0) const {
    const auto& send = http.calls.at(request).at(2);
    return std::string(send.body.begin(), send.body.end());
  }
  std::u16string longUrl_;
};

TEST_F(LinkShortening, AppendsOneSpaceAndTheTextBeforeTheFirstTab) {
  http.duringSend = [this] {
    EXPECT_FALSE(tinyUrlButton.Enabled());
    EXPECT_EQ(pointer.Current(), platform::Pointer::kHourglass);
  };
  Shorten(u"  http://example.com/a?b=1&c=2#top  ", u"http://sl.ks/abc\tmore\ttext");
  EXPECT_EQ(tweet.Text(), u"Look http://sl.ks/abc");
  EXPECT_EQ(llen.Caption(), u"21 Characters.");
  EXPECT_EQ(
      http.calls[0][0].args,
      (std::vector<std::u16string>{u"POST", u"http://short.example/KestrovaCreateSightlink.asp"}));
  EXPECT_EQ(SentBody(), "TheLongURL=http%3A%2F%2Fexample.com%2Fa%3Fb%3D1%26c%3D2%23top");
  EXPECT_TRUE(tinyUrlButton.Enabled());
  EXPECT_EQ(pointer.Current(), platform::Pointer::kDefault);
  EXPECT_EQ(longUrl.Text(), u"  http://example.com/a?b=1&c=2#top  ");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkShortening, ALeadingTabAppendsOnlyTheSpace) {
  Shorten(u"example.com/x", u"\tsomething");
  EXPECT_EQ(tweet.Text(), u"Look ");
}

TEST_F(LinkShortening, AReplyWithoutALinkBeforeATabLeavesTheStatusAndSaysSo) {
  for (const std::u16string reply :
       {u"error page", u"", u"<html>\r\n<head><title>Error</title></head>\t<body>",
        u"javascript:alert(1)\tx"}) {
    boxes.shown.clear();
    Shorten(u"example.com/x", reply);
    EXPECT_EQ(tweet.Text(), u"Look");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Sorry - there's been a problem with the URL you submitted!");
    EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
    EXPECT_FALSE(boxes.shown[0].beepedFirst);
    EXPECT_TRUE(tinyUrlButton.Enabled());
  }
}

TEST_F(LinkShortening, FewerThanSevenCharactersAreRefusedWithoutARequest) {
  Shorten(u"  abcdef  ", u"x\ty");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"Please paste a website address (URL) into the box!");
  EXPECT_EQ(boxes.beeps, 0) << "no beep before this warning";
  EXPECT_TRUE(http.calls.empty());
  EXPECT_TRUE(pointer.history.empty());
  EXPECT_TRUE(tinyUrlButton.History().empty());

  Shorten(u"abcdefg", u"x\ty");
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(SentBody(), "TheLongURL=http%3A%2F%2Fabcdefg");
}

TEST_F(LinkShortening, RecognisesTheSchemeInAnyCaseAndKeepsItAsTyped) {
  Shorten(u"HTTPS://Example.com/X", u"s\t");
  Shorten(u"Http:xy", u"s\t");
  Shorten(u"ftp://example.com", u"s\t");
  EXPECT_EQ(SentBody(0), "TheLongURL=HTTPS%3A%2F%2FExample.com%2FX");
  EXPECT_EQ(SentBody(1), "TheLongURL=Http%3Axy");
  EXPECT_EQ(SentBody(2), "TheLongURL=http%3A%2F%2Fftp%3A%2F%2Fexample.com");
}

TEST_F(LinkShortening, TheStatusMayGrowPast140) {
  tweet.SetText(std::u16string(138, u'x'));
  Shorten(u"example.com/x", u"http://a\t");
  EXPECT_EQ(tweet.Text().size(), 147u);
  EXPECT_EQ(llen.ForeColor(), kCounterDarkRed);
}

TEST_F(LinkShortening, AFailedRequestRestoresTheButtonAndPointer) {
  longUrl.SetText(u"example.com/x");
  http.scripts.push_back({u"", platform::Failure(12007, u"The server name could not be found.")});
  tinyUrlButton.Click();
  EXPECT_TRUE(tinyUrlButton.Enabled());
  EXPECT_EQ(pointer.Current(), platform::Pointer::kDefault);
  EXPECT_EQ(tweet.Text(), u"Look");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            u"The short link could not be made: The server name could not be found.");
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(process.ends, 0);
}

class SimpleApiShortening : public LumoraTest {
 protected:
  SimpleApiShortening() {
    addresses.sightlink.address = u"https://is.gd/create.php?format=simple&url={url}";
    Main();
    tweet.SetText(u"Look");
  }
  void Shorten(const std::u16string& address, const std::u16string& reply) {
    longUrl.SetText(address);
    http.scripts.push_back({reply});
    tinyUrlButton.Click();
  }
};

TEST_F(SimpleApiShortening, OneGetAsksAndTheWholeReplyIsTheLink) {
  Shorten(u"example.com/a b", u"https://is.gd/Ab1\n");
  EXPECT_EQ(tweet.Text(), u"Look https://is.gd/Ab1");
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(
      http.calls[0][0].args,
      (std::vector<std::u16string>{
          u"GET", u"https://is.gd/create.php?format=simple&url=http%3A%2F%2Fexample.com%2Fa%20b"}));
  EXPECT_TRUE(http.calls[0][2].body.empty());
  EXPECT_TRUE(tinyUrlButton.Enabled());

  // The classic reply is not a link here: its tab is no part of one.
  Shorten(u"example.com/x", u"http://sl.ks/abc\tmore");
  EXPECT_EQ(tweet.Text(), u"Look https://is.gd/Ab1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"Sorry - there's been a problem with the URL you submitted!");
}

}  // namespace
}  // namespace poster::testing
