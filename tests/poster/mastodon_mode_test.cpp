#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "poster/text_rules.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

constexpr char16_t kServer[] = u"https://social.example";
constexpr char16_t kV2Limits[] =
    u"{\"configuration\":{\"statuses\":{\"max_characters\":30,"
    u"\"characters_reserved_per_url\":10}}}";

class MastodonMode : public LumoraTest {
 protected:
  MastodonMode() {
    settings.values[u"StatusProtocol"] = u"Mastodon";
    settings.values[u"StatusAddress"] = kServer;
    addresses.status.address = kServer;
    addresses.statusName = web::ServiceAddresses::BuiltIn().statusName;  // none set
  }
  // Loads, lets the first tick take `clipboard` in and answers the limits with `instance`
  // (the v2 reply; nothing answers v1).
  void Start(const std::u16string& text, const std::u16string& instance = kV2Limits) {
    clipboard.text = text;
    ASSERT_TRUE(Load());
    timer.Elapse();
    http.scripts.push_back({instance});
    http.scripts.push_back({u"", {}, {}, 404});
    background.RunAll();
    http.scripts.clear();
    http.calls.clear();
  }
  // Clicks send with `reply`; returns false when the program ended.
  bool Send(const platform::fake::HttpScript& reply) {
    http.scripts.push_back(reply);
    boxes.shown.clear();
    return Run([this] { sendButton.Click(); });
  }
  // The value of header `name` sent with the `index`-th request.
  std::u16string Header(std::size_t index, const std::u16string& name) const {
    for (const auto& call : http.calls.at(index)) {
      if (call.name == "SetRequestHeader" && call.args[0] == name) return call.args[1];
    }
    return u"(none)";
  }
};

TEST_F(LumoraTest, WithNothingSetTheWindowKeepsItsDesignAndAnUnknownProtocolSendsNothing) {
  clipboard.text = u"hello";
  ASSERT_TRUE(Load());
  timer.Elapse();
  EXPECT_EQ(label1.Caption(), u"Your Twitter User Name");
  EXPECT_EQ(sendButton.caption, u"") << "never touched";
  EXPECT_EQ(tweet.maxLength, 0u) << "never touched";
  ASSERT_EQ(background.Waiting(), 1u) << "only the network's preparation";
  background.RunAll();
  EXPECT_TRUE(http.calls.empty()) << "no limits asked";

  settings.values[u"StatusProtocol"] = u"activitypub";
  Main().ApplyStatusProtocol();
  userName.SetText(u"alice");
  password.SetText(u"pw");
  EXPECT_TRUE(Run([this] { sendButton.Click(); }));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_NE(boxes.shown[0].text.find(u"\"activitypub\""), std::u16string::npos);
  EXPECT_NE(boxes.shown[0].text.find(u"StatusProtocol in HKEY_CURRENT_USER"), std::u16string::npos);
  EXPECT_TRUE(http.calls.empty());
  EXPECT_EQ(background.Waiting(), 0u);
}

TEST_F(MastodonMode, TheWindowNamesThePostAndTokenAndAsksForLimitsOnlyOnceItShows) {
  clipboard.text = u"  " + std::u16string(40, u'x') + u"  ";
  ASSERT_TRUE(Load());
  EXPECT_EQ(label1.Caption(), u"User Name (not needed)");
  EXPECT_EQ(label2.Caption(), u"Your Access Token");
  EXPECT_EQ(label4.Caption(), u"(Automatically adds the URL to your Post)");
  EXPECT_EQ(sendButton.caption, u"SEND YOUR POST");
  EXPECT_EQ(background.Waiting(), 0u) << "nothing asked before the window shows";

  timer.Elapse();
  EXPECT_EQ(tweet.Text(), std::u16string(40, u'x')) << "within the default 500";
  ASSERT_EQ(background.Waiting(), 2u) << "the limits, then the network's preparation";
  EXPECT_TRUE(http.calls.empty()) << "the question runs in the background";
  http.scripts.push_back({kV2Limits});
  background.RunAll();
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(http.calls[0][0].args,
            (std::vector<std::u16string>{u"GET", u"https://social.example/api/v2/instance"}));
  ASSERT_EQ(http.prepared.size(), 1u);
  EXPECT_EQ(http.prepared[0].at(0), u"https://social.example/api/v1/statuses");
  EXPECT_EQ(Header(0, u"Authorization"), u"(none)");
  // The server's limit cuts the untouched intake again, and the counter follows.
  EXPECT_EQ(tweet.Text(), std::u16string(30, u'x'));
  EXPECT_EQ(llen.Caption(), u"30 Characters.");
  EXPECT_EQ(llen.ForeColor(), poster::kCounterYellow);

  tweet.SetText(u"see https://example.com/a/very/long/path/indeed ok");
  EXPECT_EQ(llen.Caption(), u"17 Characters.") << "a link counts 10 here";
  tweet.Type(std::u16string(14, u'y'));
  EXPECT_EQ(llen.Caption(), u"31 Characters.( Over the limit of 30: shorten it before you send )");
  EXPECT_EQ(llen.ForeColor(), poster::kCounterDarkRed);
}

TEST_F(MastodonMode, APostGoesWithBearerFormBodyAndKeyThenShowsItsAddressAndEnds) {
  Start(u"Tom & Jerry \U0001F600");
  userName.SetText(u"");
  password.SetText(u" tok3n ");
  http.duringSend = [this] {
    EXPECT_FALSE(sendButton.Enabled());
    EXPECT_EQ(pointer.Current(), platform::Pointer::kHourglass);
  };
  EXPECT_FALSE(Send({u"{\"id\":\"1\",\"url\":\"https://social.example/@a/1\"}"}));
  EXPECT_EQ(File(u"PW.DAT"), "tok3n\r\n") << "the token is kept as the password is";
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(http.calls[0][0].args,
            (std::vector<std::u16string>{u"POST", u"https://social.example/api/v1/statuses"}));
  EXPECT_EQ(Header(0, u"Authorization"), u"Bearer tok3n");
  EXPECT_EQ(Header(0, u"Content-Type"), u"application/x-www-form-urlencoded");
  EXPECT_EQ(Header(0, u"Idempotency-Key").size(), 40u);
  const auto& body = http.calls[0][4].body;
  EXPECT_EQ(std::string(body.begin(), body.end()), "status=Tom+%26+Jerry+%F0%9F%98%80");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Congratulations!");
  EXPECT_EQ(boxes.shown[0].text,
            u"Your post was published on social.example.\n\nhttps://social.example/@a/1");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kInformation);
  EXPECT_EQ(process.ends, 1);
}

TEST_F(MastodonMode, SignedInTheBoxesShowTheAccountAndTheKeptTokenGoesAsBearerOnly) {
  files.files[std::u16string(kFolder) + u"PW.DAT"] = "old\r\n";
  secrets.secrets[u"Lumora:https://social.example"] = {u"@alice@social.example", "k3pt"};
  Start(u"hello");
  EXPECT_EQ(userName.Text(), u"@alice@social.example");
  EXPECT_NE(password.Text(), u"k3pt") << "the token never reaches a box";
  EXPECT_FALSE(Send({u"{\"id\":\"1\"}"}));
  EXPECT_EQ(Header(0, u"Authorization"), u"Bearer k3pt");
  EXPECT_EQ(File(u"PW.DAT"), "old\r\n") << "nothing of the boxes is written";

  // Another server in the settings: its token is not this one, and the stored name returns;
  // the stored password was made for the first server and stays hidden.
  settings.values[u"StatusAddress"] = u"https://other.example";
  serviceDialog.presses.push_back(std::nullopt);
  ASSERT_TRUE(Run([this] { Main().ServiceSettings_Click(); }));
  EXPECT_EQ(userName.Text(), u"");
  EXPECT_EQ(password.Text(), u"");
}

TEST_F(MastodonMode, TheKeyComesFromTheSystemsGeneratorAndNotFromTheClock) {
  const auto keyOfARun = [this](std::vector<std::uint8_t> bytes, std::uint64_t now) {
    NewRun();
    random.pattern = std::move(bytes);
    clock.now = now;
    Start(u"hello");
    password.SetText(u"tok");
    EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
    return Header(0, u"Idempotency-Key");
  };
  const std::u16string key = keyOfARun({1, 2, 3}, 1000);
  EXPECT_EQ(keyOfARun({1, 2, 3}, 86'400'000), key) << "the uptime plays no part";
  EXPECT_NE(keyOfARun({4, 5, 6}, 1000), key) << "another run draws another seed";

  NewRun();
  random.pattern = {1, 2, 3};
  random.failure = platform::Failure(31, u"A device attached to the system is not functioning.");
  Start(u"hello");
  password.SetText(u"tok");
  EXPECT_TRUE(Send({u"{}"}));
  EXPECT_TRUE(http.calls.empty()) << "no post without a key";
  EXPECT_EQ(boxes.shown.at(0).title, u"Whoops!");
  random.failure.reset();
  http.scripts.clear();
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  EXPECT_EQ(Header(0, u"Idempotency-Key"), key) << "drawn once the generator answers";
}

TEST_F(MastodonMode, ARefusalOrSilenceKeepsTheWindowAndTheSameTextKeepsItsKey) {
  settings.values[u"StatusName"] = u"Social";
  addresses.statusName = u"Social";
  Start(u"hello");
  password.SetText(u"tok");
  struct Case {
    int status;
    std::u16string body, headers, text;
  };
  const std::vector<Case> cases{
      {401, u"{\"error\":\"The access token is invalid\"}", u"",
       u"The post failed. Social advises:\n\nThe access token is invalid"},
      {403, u"{\"error\":\"This action is outside the authorized scopes\"}", u"",
       u"The post failed. Social advises:\n\nThis action is outside the authorized scopes"},
      {422, u"{\"error\":\"Validation failed: Text can't be blank\"}", u"",
       u"The post failed. Social advises:\n\nValidation failed: Text can't be blank"},
      {429, u"{\"error\":\"Too many requests\"}",
       u"X-RateLimit-Reset: 2026-12-08T01:30:00.000Z\r\n",
       u"The post failed. Social advises:\n\nToo many requests\n\nTry again after 01:30 UTC on "
       u"2026-12-08."},
      {503, u"{\"error\":\"Service unavailable\"}", u"",
       u"The post failed. Social advises:\n\nService unavailable"},
      {502, u"<html>Bad gateway</html>", u"",
       u"The post failed. Social advises:\n\n<html>Bad gateway</html>"}};
  for (const Case& c : cases) {
    EXPECT_TRUE(Send({c.body, {}, {}, c.status, c.headers})) << c.status;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
    EXPECT_EQ(boxes.shown[0].text, c.text);
    EXPECT_TRUE(sendButton.Enabled());
    EXPECT_EQ(pointer.Current(), platform::Pointer::kDefault);
  }
  EXPECT_TRUE(Send({u"", platform::Failure(12029, u"The connection to the server was refused.")}));
  EXPECT_EQ(boxes.shown.at(0).text,
            u"Your post could not be sent: The connection to the server was refused.\n\nNothing "
            u"was posted. Your text is still here, so you can try again.");
  EXPECT_EQ(tweet.Text(), u"hello");
  EXPECT_EQ(password.Text(), u"tok");
  EXPECT_EQ(process.ends, 0);

  const std::size_t sent = http.calls.size();
  EXPECT_EQ(Header(sent - 1, u"Idempotency-Key"), Header(0, u"Idempotency-Key"));
  tweet.SetText(u"hello again");
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  EXPECT_NE(Header(sent, u"Idempotency-Key"), Header(0, u"Idempotency-Key"));
}

// A post whose answer was lost may be on the server: the same text goes again with the same
// key, an edited one only once the user says so.
TEST_F(MastodonMode, ALostAnswerMayHavePostedAndAnEditedTextAsksFirst) {
  Start(u"hello");
  password.SetText(u"tok");
  const auto lost = [] {
    return platform::Failure(12002, u"The server did not answer in time.").MarkMayHaveArrived();
  };
  EXPECT_TRUE(Send({u"", lost()}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            u"No answer came after your post was sent: The server did not answer in time.\n\nYour "
            u"post may have arrived at https://social.example. Look there before you send it "
            u"again. Your text is still here; sent again unchanged, it cannot be posted twice.");
  EXPECT_TRUE(Send({u"", lost()}));
  EXPECT_FALSE(boxes.shown.at(0).question);
  EXPECT_EQ(Header(1, u"Idempotency-Key"), Header(0, u"Idempotency-Key"));

  tweet.SetText(u"hello, edited");
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].question);
  EXPECT_EQ(boxes.shown[0].text,
            u"Your earlier post may have arrived at https://social.example. If it did, this "
            u"edited text is posted as well.\n\nSend this edited text as a new post?");
  EXPECT_EQ(http.calls.size(), 2u);  // No: nothing sent
  boxes.answerYes = true;
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  EXPECT_EQ(boxes.shown.size(), 2u);  // the question, then the server's answer
  EXPECT_EQ(http.calls.size(), 3u);
  tweet.SetText(u"hello, edited twice");
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  EXPECT_FALSE(boxes.shown.at(0).question);
  // An answer to the same text, sent again, ends the doubt as well.
  http.scripts.clear();  // the reply scripted for the press that sent nothing
  EXPECT_TRUE(Send({u"", lost()}));
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  tweet.SetText(u"hello, edited thrice");
  EXPECT_TRUE(Send({u"{}", {}, {}, 500}));
  EXPECT_FALSE(boxes.shown.at(0).question);
}

TEST_F(MastodonMode, WhatCannotBeSentIsRefusedBeforeAnyRequest) {
  Start(u"hello");
  const auto refused = [this](const std::u16string& token, const std::u16string& status) {
    password.SetText(token);
    tweet.SetText(status);
    EXPECT_TRUE(Send({}));
    http.scripts.clear();
    EXPECT_TRUE(http.calls.empty());
    return boxes.shown.at(0);
  };
  EXPECT_EQ(refused(u" ", u"hi").text, u"Sorry, you need to enter your access token.");
  const auto tooLong = refused(u"tok", std::u16string(31, u'x'));
  EXPECT_EQ(tooLong.title, u"Your post exceeds the maximum length allowed by social.example");
  EXPECT_EQ(tooLong.text,
            u"Please adjust the text in your post so that it is within 30 characters.");
  EXPECT_TRUE(tooLong.beepedFirst);
}

TEST_F(MastodonMode, WithoutItsAddressNothingIsAskedOrSent) {
  settings.values.erase(u"StatusAddress");
  addresses = web::ServiceAddresses::BuiltIn();
  clipboard.text = u"hello";
  ASSERT_TRUE(Load());
  timer.Elapse();
  background.RunAll();
  EXPECT_TRUE(http.calls.empty()) << "no address, no question";
  password.SetText(u"tok");
  EXPECT_TRUE(Run([this] { sendButton.Click(); }));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find(u"StatusAddress in HKEY_CURRENT_USER"), std::u16string::npos);
  EXPECT_TRUE(http.calls.empty());
}

TEST_F(MastodonMode, AnHttpAddressSetInTheRegistryIsRefusedAtSend) {
  settings.values[u"StatusAddress"] = addresses.status.address = u"http://social.example";
  clipboard.text = u"hello";
  ASSERT_TRUE(Load());
  timer.Elapse();
  background.RunAll();
  password.SetText(u"tok");
  EXPECT_TRUE(Run([this] { sendButton.Click(); }));
  EXPECT_TRUE(http.calls.empty()) << "neither the limits nor the post";
  EXPECT_EQ(tweet.Text(), u"hello");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find(u"is \"http://social.example\"" +
                                     std::u16string(web::kHttpsOnlyRule)),
            std::u16string::npos);
}

TEST_F(MastodonMode, ChangedSettingsTakeEffectAtOnceAndALateAnswerIsIgnored) {
  clipboard.text = u"hello";
  ASSERT_TRUE(Load());
  timer.Elapse();
  ASSERT_EQ(background.Waiting(), 2u) << "the limits, then the network's preparation";
  settings.values.erase(u"StatusProtocol");
  Main().ApplyStatusProtocol();
  http.scripts.push_back({kV2Limits});
  background.RunAll();
  EXPECT_EQ(label1.Caption(), u"Your Twitter User Name");
  EXPECT_EQ(label2.Caption(), u"Your Twitter Password");
  EXPECT_EQ(label4.Caption(), u"(Automatically adds the URL to your Tweet)");
  EXPECT_EQ(sendButton.caption, u"SEND YOUR TWEET");
  EXPECT_EQ(tweet.maxLength, 200u);
  EXPECT_EQ(llen.Caption(), u"5 Characters.");

  settings.values[u"StatusProtocol"] = u"mastodon";
  Main().ApplyStatusProtocol();
  EXPECT_EQ(background.Waiting(), 1u) << "asked at once: the window is showing";
  EXPECT_EQ(sendButton.caption, u"SEND YOUR POST");

  // The settings dialog's OK puts the window in the protocol it stored.
  serviceDialog.presses.push_back(platform::ServiceDialogValues{u"", u"", u"", u""});
  ASSERT_TRUE(window.ChooseSystemMenuItem(u"Service s&ettings\u2026"));
  EXPECT_EQ(sendButton.caption, u"SEND YOUR TWEET");
  serviceDialog.presses.push_back(platform::ServiceDialogValues{u"mastodon", kServer, u"", u""});
  ASSERT_TRUE(window.ChooseSystemMenuItem(u"Service s&ettings\u2026"));
  EXPECT_EQ(sendButton.caption, u"SEND YOUR POST");
  EXPECT_EQ(label2.Caption(), u"Your Access Token");
}

TEST_F(MastodonMode, AnAnswerAfterTheUserEditedTheTextCountsButCutsNothing) {
  clipboard.text = std::u16string(40, u'x');
  ASSERT_TRUE(Load());
  timer.Elapse();
  tweet.SetText(std::u16string(40, u'y'));
  http.scripts = {{kV2Limits}};
  ASSERT_TRUE(background.RunNext());
  EXPECT_EQ(tweet.Text(), std::u16string(40, u'y'));
  EXPECT_EQ(llen.Caption(), u"40 Characters.( Over the limit of 30: shorten it before you send )");
}

TEST_F(MastodonMode, AnAnswerForASettingNoLongerInForceIsDropped) {
  clipboard.text = std::u16string(40, u'x');
  ASSERT_TRUE(Load());
  timer.Elapse();
  settings.values[u"StatusAddress"] = u"https://other.example";
  Main().ReloadServiceSettings();
  Main().ApplyStatusProtocol();
  ASSERT_EQ(background.Waiting(), 3u) << "the first server's question, the preparation, the new";

  http.scripts = {{kV2Limits}};
  ASSERT_TRUE(background.RunNext());
  EXPECT_EQ(tweet.Text(), std::u16string(40, u'x')) << "the first server's 30 is not the new one's";
  EXPECT_EQ(llen.Caption(), u"40 Characters.");
  background.RunNext();
  http.scripts = {{u"{\"configuration\":{\"statuses\":{\"max_characters\":35}}}"}};
  ASSERT_TRUE(background.RunNext());
  EXPECT_EQ(http.calls.back()[0].args.at(1), u"https://other.example/api/v2/instance");
  EXPECT_EQ(tweet.Text(), std::u16string(35, u'x'));
}

}  // namespace
}  // namespace poster::testing
