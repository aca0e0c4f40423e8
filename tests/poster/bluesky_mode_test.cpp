#include <string>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using platform::fake::HttpScript;

constexpr char16_t kPds[] = u"https://pds.example";
constexpr char16_t kTarget[] = u"Lumora:Bluesky:https://pds.example:alice.test";
// The first key the fake clock and seed give: 2026-12-08T00:00:00.042Z, clock 858.
constexpr char16_t kKey[] = u"3n44k52bl2kuu";
constexpr char16_t kPosted[] =
    u"Signed in as @alice.test.\n\nYour post was published on Bluesky.\n\n"
    u"https://bsky.app/profile/alice.test/post/3n44k52bl2kuu";

HttpScript Session(const std::u16string& access, const std::u16string& refresh) {
  return {u"{\"accessJwt\":\"" + access + u"\",\"refreshJwt\":\"" + refresh +
          u"\",\"handle\":\"alice.test\",\"did\":\"did:plc:alice\"}"};
}
HttpScript Refused(int status, const std::u16string& error, const std::u16string& message) {
  return {u"{\"error\":\"" + error + u"\",\"message\":\"" + message + u"\"}", {}, {}, status};
}
const HttpScript kCreated{u"{\"uri\":\"at://did:plc:alice/app.bsky.feed.post/3n44k52bl2kuu\"}"};
const HttpScript kLost{u"", platform::Failure(12002, u"Timed out.").MarkMayHaveArrived()};

class BlueskyMode : public LumoraTest {
 protected:
  BlueskyMode() {
    settings.values[u"StatusProtocol"] = u"bluesky";
    settings.values[u"StatusAddress"] = kPds;
    addresses.status.address = kPds;
    addresses.statusName = web::ServiceAddresses::BuiltIn().statusName;
  }
  void Start(const std::u16string& text, const std::u16string& appPassword = u"abcd-efgh") {
    clipboard.text = text;
    sendButton.SetEnabled(true);  // as a new run's window has it
    ASSERT_TRUE(Load());
    timer.Elapse();
    background.RunAll();
    http.calls.clear();
    userName.SetText(u"@Alice.test");
    password.SetText(appPassword);
  }
  // Clicks send with these replies; returns false when the program ended.
  bool Send(std::vector<HttpScript> replies) {
    http.scripts.assign(replies.begin(), replies.end());
    http.calls.clear();
    boxes.shown.clear();
    return Run([this] { sendButton.Click(); });
  }
  std::u16string Call(std::size_t index, const std::string& name, std::size_t arg = 1) const {
    for (const auto& call : http.calls.at(index)) {
      if (call.name == name) return call.args.at(arg);
    }
    return u"(none)";
  }
  std::u16string Header(std::size_t index, const std::u16string& name) const {
    for (const auto& call : http.calls.at(index)) {
      if (call.name == "SetRequestHeader" && call.args[0] == name) return call.args[1];
    }
    return u"(none)";
  }
  std::string Body(std::size_t index) const {
    for (const auto& call : http.calls.at(index)) {
      if (call.name == "Send") return {call.body.begin(), call.body.end()};
    }
    return "(none)";
  }
  std::u16string Box() const { return boxes.shown.empty() ? u"(none)" : boxes.shown.back().text; }
};

TEST_F(BlueskyMode, SignsInWithTheAppPasswordPostsTheRecordAndKeepsOnlyTheRefreshToken) {
  files.files[std::u16string(kFolder) + u"PW.DAT"] = "classic\r\n";
  Start(u"Gr\u00fc\u00dfe https://a.example/x");
  EXPECT_EQ(label2.Caption(), u"Your App Password");
  longUrl.SetText(u"a.example/page");
  EXPECT_FALSE(Send({Session(u"A1", u"R1"), kCreated}));

  ASSERT_EQ(http.calls.size(), 2u);
  EXPECT_EQ(Call(0, "Open"), u"https://pds.example/xrpc/com.atproto.server.createSession");
  EXPECT_EQ(Body(0), "{\"identifier\":\"alice.test\",\"password\":\"abcd-efgh\"}");
  EXPECT_EQ(Header(0, u"Authorization"), u"(none)");
  EXPECT_EQ(Call(1, "Open"), u"https://pds.example/xrpc/com.atproto.repo.createRecord");
  EXPECT_EQ(Header(1, u"Authorization"), u"Bearer A1");
  EXPECT_EQ(Body(1),
            "{\"repo\":\"did:plc:alice\",\"collection\":\"app.bsky.feed.post\",\"rkey\":"
            "\"3n44k52bl2kuu\",\"record\":{\"$type\":\"app.bsky.feed.post\",\"text\":"
            "\"Gr\xC3\xBC\xC3\x9F"
            "e https://a.example/x\",\"createdAt\":"
            "\"2026-12-08T00:00:00.042Z\",\"langs\":[\"en-GB\"],\"facets\":[{\"index\":{"
            "\"byteStart\":8,\"byteEnd\":27},\"features\":[{\"$type\":"
            "\"app.bsky.richtext.facet#link\",\"uri\":\"https://a.example/x\"}]}],\"embed\":{"
            "\"$type\":\"app.bsky.embed.external\",\"external\":{\"uri\":"
            "\"http://a.example/page\",\"title\":\"a.example\",\"description\":\"\"}}}}");
  EXPECT_EQ(boxes.shown.back().title, u"Congratulations!");
  EXPECT_EQ(Box(), kPosted);
  EXPECT_EQ(secrets.secrets.at(kTarget).account, u"did:plc:alice");
  EXPECT_EQ(secrets.secrets.at(kTarget).secret, "https://pds.example\nR1");
  EXPECT_EQ(File(u"PW.DAT"), "classic\r\n") << "the app password is not kept";
  EXPECT_EQ(File(u"UN.DAT"), "@Alice.test\r\n");

  // The next run signs in with the kept token alone; a refused one asks for the app password.
  NewRun();
  Start(u"Again", u"");
  EXPECT_FALSE(Send({Session(u"A2", u"R2"), kCreated}));
  EXPECT_EQ(Call(0, "Open"), u"https://pds.example/xrpc/com.atproto.server.refreshSession");
  EXPECT_EQ(Header(0, u"Authorization"), u"Bearer R1");
  EXPECT_EQ(Header(1, u"Authorization"), u"Bearer A2");
  EXPECT_EQ(secrets.secrets.at(kTarget).secret, "https://pds.example\nR2");
  NewRun();
  Start(u"Again", u"");
  EXPECT_TRUE(Send({Refused(400, u"ExpiredToken", u"Token has expired")}));
  EXPECT_EQ(http.calls.size(), 1u);
  EXPECT_NE(Box().find(u"Type your app password"), std::u16string::npos);
  EXPECT_FALSE(secrets.secrets.contains(kTarget));
  EXPECT_EQ(tweet.Text(), u"Again");
}

TEST_F(BlueskyMode, ALinksTitleNamesTheCardOfItsOwnPageOnly) {
  process.startedWith =
      u"Lumora.exe lumora:post?text=Look&url=https%3A%2F%2Fa.example%2Fp&"
      u"title=A%20page%20%22quoted%22";
  Start(u"");
  EXPECT_EQ(tweet.Text(), u"Look");
  EXPECT_FALSE(Send({Session(u"A1", u"R1"), kCreated}));
  EXPECT_NE(Body(1).find("\"external\":{\"uri\":\"https://a.example/p\",\"title\":"
                         "\"A page \\\"quoted\\\"\",\"description\":\"\"}"),
            std::string::npos);
  NewRun();
  Start(u"");
  longUrl.SetText(u"https://b.example/q");
  EXPECT_FALSE(Send({Session(u"A1", u"R1"), kCreated}));
  EXPECT_NE(Body(1).find("\"title\":\"b.example\""), std::string::npos) << "another page";
}

TEST_F(BlueskyMode, RefusalsShowTheServersWordsAndKeepTheText) {
  Start(u"Hello");
  EXPECT_TRUE(Send({Refused(401, u"AuthenticationRequired", u"Invalid identifier or password")}));
  EXPECT_NE(Box().find(u"AuthenticationRequired: Invalid identifier or password"),
            std::u16string::npos);
  EXPECT_TRUE(Send({Refused(401, u"AuthFactorTokenRequired", u"A sign in code has been sent")}));
  EXPECT_NE(Box().find(u"Settings > Privacy and security > App passwords"), std::u16string::npos);

  EXPECT_TRUE(Send({Session(u"A1", u"R1"), Refused(400, u"InvalidRequest", u"Invalid record")}));
  EXPECT_EQ(Box(), u"The post failed. Bluesky advises:\n\nInvalidRequest: Invalid record");
  HttpScript limited = Refused(429, u"RateLimitExceeded", u"Rate Limit Exceeded");
  limited.rawHeaders = u"RateLimit-Reset: 1796741100\r\n";
  EXPECT_TRUE(Send({limited}));
  EXPECT_EQ(http.calls.size(), 1u) << "the session is kept in memory";
  EXPECT_EQ(Box(),
            u"The post failed. Bluesky advises:\n\nRateLimitExceeded: Rate Limit Exceeded\n\nTry "
            u"again after 14:45 UTC on 2026-12-08.");

  tweet.SetText(std::u16string(301, u'x'));
  EXPECT_TRUE(Send({}));
  EXPECT_TRUE(http.calls.empty());
  EXPECT_EQ(boxes.shown.back().title, u"Your post exceeds the maximum length allowed by Bluesky");
  EXPECT_EQ(llen.Caption(),
            u"301 Characters.( Over the limit of 300: shorten it before you send )");
  EXPECT_EQ(tweet.Text(), std::u16string(301, u'x'));
}

TEST_F(BlueskyMode, AnExpiredTokenIsRenewedOnceAndARefusedRenewalAsksToSignInAgain) {
  Start(u"Hello");
  EXPECT_TRUE(Send({Session(u"A1", u"R1"), Refused(400, u"ExpiredToken", u"Token has expired"),
                    Refused(400, u"ExpiredToken", u"Token has expired")}));
  EXPECT_EQ(Header(2, u"Authorization"), u"Bearer R1");
  EXPECT_NE(Box().find(u"Your Bluesky sign-in has ended"), std::u16string::npos);
  EXPECT_FALSE(secrets.secrets.contains(kTarget));

  EXPECT_FALSE(Send({Session(u"A1", u"R1"), Refused(400, u"ExpiredToken", u"Token has expired"),
                     Session(u"A2", u"R2"), kCreated}));
  ASSERT_EQ(http.calls.size(), 4u);
  EXPECT_EQ(Header(3, u"Authorization"), u"Bearer A2");
  EXPECT_EQ(Body(3), Body(1)) << "the same record, with the same key";
  EXPECT_EQ(secrets.secrets.at(kTarget).secret, "https://pds.example\nR2");
  EXPECT_EQ(Box(), kPosted);
}

TEST_F(BlueskyMode, ALostAnswerIsLookedUpBeforeTheSameTextIsSentAgain) {
  Start(u"Hello");
  EXPECT_TRUE(Send({Session(u"A1", u"R1"), kLost}));
  EXPECT_NE(Box().find(u"may have arrived"), std::u16string::npos);
  EXPECT_TRUE(Send({Refused(400, u"RecordNotFound", u"Could not locate record"), kLost}));
  EXPECT_EQ(Call(0, "Open"),
            u"https://pds.example/xrpc/com.atproto.repo.getRecord?repo=did%3Aplc%3Aalice&"
            u"collection=app.bsky.feed.post&rkey=" +
                std::u16string(kKey));
  EXPECT_NE(Body(1).find("\"rkey\":\"3n44k52bl2kuu\""), std::string::npos);
  EXPECT_FALSE(Send({kCreated}));
  EXPECT_EQ(http.calls.size(), 1u) << "found: not created again";
  EXPECT_EQ(Box(), kPosted);
}

TEST_F(BlueskyMode, AnEditedTextAfterALostAnswerAsksAndGetsANewKey) {
  Start(u"Hello");
  EXPECT_TRUE(Send({Session(u"A1", u"R1"), kLost}));
  tweet.SetText(u"Hello, edited");
  boxes.answerYes = true;
  EXPECT_FALSE(Send({kCreated}));
  EXPECT_TRUE(boxes.shown.at(0).question);
  EXPECT_EQ(Call(0, "Open"), u"https://pds.example/xrpc/com.atproto.repo.createRecord");
  EXPECT_EQ(Body(0).find("3n44k52bl2kuu"), std::string::npos);
}

}  // namespace
}  // namespace poster::testing
