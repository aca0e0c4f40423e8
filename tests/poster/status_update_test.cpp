#include <string>
#include <vector>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

class StatusUpdate : public LumoraTest {
 protected:
  StatusUpdate() {
    Main().Initiation();
    userName.SetText(u"  alice  ");
    password.SetText(u" s3cret ");
    tweet.SetText(u"  hello world  ");
  }
  // Clicks send; returns false when the program ended.
  bool Click() {
    return Run([this] { sendButton.Click(); });
  }
  std::string SentBody() const {
    const auto& send = http.calls.at(0).at(2);
    return std::string(send.body.begin(), send.body.end());
  }
};

TEST_F(StatusUpdate, StoresBothTrimmedValuesBeforeAnyCheck) {
  userName.SetText(u"   ");
  password.SetText(u"");
  tweet.SetText(u"");
  EXPECT_TRUE(Click());
  EXPECT_EQ(File(u"UN.DAT"), "\r\n");
  EXPECT_EQ(File(u"PW.DAT"), "\r\n");
  EXPECT_EQ(journal, (platform::fake::Journal{"WriteLines", "WriteLines", "Beep", "MessageBox"}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"Sorry, you need to enter your Twitter Username.");
  EXPECT_TRUE(http.calls.empty());
  EXPECT_TRUE(sendButton.Enabled());
}

TEST_F(StatusUpdate, ChecksInOrderEachWithBeepAndWarning) {
  struct Step {
    std::u16string user, pass, status, text, title;
  };
  const std::vector<Step> steps{
      {u"", u"", u"x", u"Sorry, you need to enter your Twitter Username.", u"Whoops!"},
      {u"a", u" ", u"", u"Sorry, you need to enter your Twitter Password.", u"Whoops!"},
      {u"a", u"b", u"   ", u"Sorry, a Tweet may be between 1 and 140 characters in length.",
       u"Whoops!"},
      {u"a", u"b", std::u16string(141, u'x'),
       u"Please adjust the text in your Tweet so that it is within 140 characters.",
       u"Your Tweet exceeds the maximum length allowed by Twitter"}};
  for (const auto& step : steps) {
    boxes.shown.clear();
    userName.SetText(step.user);
    password.SetText(step.pass);
    tweet.SetText(step.status);
    EXPECT_TRUE(Click());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, step.text);
    EXPECT_EQ(boxes.shown[0].title, step.title);
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
    EXPECT_TRUE(boxes.shown[0].beepedFirst);
  }
  EXPECT_TRUE(http.calls.empty());
  EXPECT_EQ(pointer.history.size(), 0u);
}

TEST_F(StatusUpdate, PostsTheEncodedStatusWithCredentialsStoredEachInItsFileAndEnds) {
  tweet.SetText(u" Tom & Jerry: C++ 100% ? \u00E9 \U0001F600 ");
  http.scripts.push_back({u"<status><user><screen_name>alice</screen_name></user></status>"});
  http.duringSend = [this] {
    EXPECT_FALSE(sendButton.Enabled());
    EXPECT_EQ(pointer.Current(), platform::Pointer::kHourglass);
  };
  EXPECT_FALSE(Click());
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(http.calls[0][0].args,
            (std::vector<std::u16string>{u"POST", u"http://status.example/statuses/update.xml",
                                         u"alice", u"s3cret"}));
  EXPECT_EQ(SentBody(), "status=Tom+%26+Jerry%3A+C%2B%2B+100%25+%3F+%C3%A9+%F0%9F%98%80");
  EXPECT_EQ(File(u"UN.DAT"), "alice\r\n");
  EXPECT_EQ(File(u"PW.DAT"), "s3cret\r\n");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"Your Tweet was sent successfully to all of your followers!");
  EXPECT_EQ(boxes.shown[0].title, u"Congratulations!");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kInformation);
  EXPECT_FALSE(boxes.shown[0].beepedFirst);
  EXPECT_EQ(pointer.Current(), platform::Pointer::kDefault);
  EXPECT_EQ(process.ends, 1);
  EXPECT_FALSE(sendButton.Enabled());
}

TEST_F(StatusUpdate, LengthIsJudgedAfterTrimming) {
  tweet.SetText(std::u16string(140, u'x') + u" ");
  EXPECT_FALSE(Click());
  EXPECT_EQ(SentBody(), "status=" + std::string(140, 'x'));
}

TEST_F(StatusUpdate, SeventyEmojiAreExactly140AndGoOut) {
  std::u16string emoji;
  for (int i = 0; i < 70; ++i) emoji += u"\U0001F600";
  tweet.SetText(emoji);
  EXPECT_FALSE(Click());
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(SentBody().size(), 7u + 70 * 12);
}

TEST_F(StatusUpdate, AnyReplyWithoutTheExactMarkerFailsNamingTheDomain) {
  for (const std::u16string reply : {u"<SCREEN_NAME>alice</SCREEN_NAME>", u""}) {
    boxes.shown.clear();
    sendButton.SetEnabled(true);
    http.scripts.push_back({reply});
    EXPECT_FALSE(Click());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"The Tweet failed. Status.example advises:\n\n" + reply);
    EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
    EXPECT_FALSE(boxes.shown[0].beepedFirst);
  }
  EXPECT_EQ(process.ends, 2);
}

TEST_F(StatusUpdate, ALongErrorPageShowsOnlyItsStart) {
  const std::u16string page = u"<html>" + std::u16string(2'000'000, u'x');
  http.scripts.push_back({page});
  EXPECT_FALSE(Click());
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::u16string head = u"The Tweet failed. Status.example advises:\n\n";
  EXPECT_EQ(boxes.shown[0].text, head + page.substr(0, 1000) + u"\u2026");
}

TEST_F(StatusUpdate, AFailedConnectionKeepsEverythingForAnotherTry) {
  http.scripts.push_back({u"", platform::Failure(12029, u"The server refused the connection.")});
  EXPECT_TRUE(Click());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].text,
            u"Your Tweet could not be sent: The server refused the connection.\n\nNothing was "
            u"posted. Your text is still here, so you can try again.");
  EXPECT_TRUE(sendButton.Enabled());
  EXPECT_EQ(pointer.Current(), platform::Pointer::kDefault);
  EXPECT_EQ(tweet.Text(), u"  hello world  ");
  EXPECT_EQ(userName.Text(), u"  alice  ");
  EXPECT_EQ(process.ends, 0);
  EXPECT_EQ(http.alive, 0);

  http.scripts.push_back({u"<screen_name>alice</screen_name>"});
  EXPECT_FALSE(Click()) << "the second try goes through";
}

TEST_F(StatusUpdate, AnObjectThatCannotBeCreatedIsReportedTheSameWay) {
  http.failOnCreate = platform::Failure(0x800401F3, u"The HTTP component is missing.");
  EXPECT_TRUE(Click());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find(u"The HTTP component is missing."), std::u16string::npos);
  EXPECT_TRUE(sendButton.Enabled());
}

TEST_F(StatusUpdate, ACredentialFileThatCannotBeWrittenStopsBeforeSending) {
  files.failing[std::u16string(kFolder) + u"PW.DAT"] = 5;
  EXPECT_TRUE(Click());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].text,
            u"Your user name and password could not be saved in C:\\Program "
            u"Files\\Kestrova\\PW.DAT: Path/File access error\n\nNothing was sent. Your text "
            u"is still here.");
  EXPECT_TRUE(http.calls.empty());
  EXPECT_TRUE(sendButton.Enabled());
  EXPECT_EQ(pointer.history.size(), 0u);
}

}  // namespace
}  // namespace poster::testing
