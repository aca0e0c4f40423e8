#include "poster/sign_in/sign_in_flow.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/fake/fake_background.h"
#include "platform/fake/fake_http.h"
#include "platform/fake/fake_loopback.h"
#include "platform/fake/fake_message_boxes.h"
#include "platform/fake/fake_random.h"
#include "platform/fake/fake_secret_store.h"
#include "platform/fake/fake_settings.h"
#include "poster/sign_in/pkce.h"
#include "poster/sign_in/sign_in.h"
#include "poster/sign_in/sign_in_account.h"

namespace poster::sign_in {
namespace {

using Kind = SignInNews::Kind;

class SignInFlowTest : public ::testing::Test, public SignInReport {
 protected:
  SignInFlowTest() {
    settings.values[u"SignInClient https://social.example"] = u"cid cs write:statuses profile";
    http.scripts = {{u"{\"access_token\":\"tok\"}"}, {u"{\"acct\":\"alice\"}"}};
  }
  void Start() { flow.Start(u"@alice@social.example", *this); }
  void Report(const SignInNews& n) override { news.push_back(n); }
  // The body the `i`-th request sent; empty when none was sent.
  std::string Sent(std::size_t i) {
    if (i >= http.calls.size()) return "";
    for (const auto& call : http.calls[i])
      if (call.name == "Send") return std::string(call.body.begin(), call.body.end());
    return "";
  }
  std::u16string State() {
    platform::fake::FakeRandom same;
    return RandomToken(same);
  }

  platform::fake::FakeHttpClient http;
  platform::fake::FakeSettings settings;
  platform::fake::FakeSecretStore secrets;
  platform::fake::FakeRandom random;
  platform::fake::FakeBackground background;
  platform::fake::FakeLoopbackListeners listeners;
  platform::fake::FakeBrowser browser;
  SignInFlow flow{{{secrets, listeners, browser}, http, settings, random, background}};
  std::vector<SignInNews> news;
};

TEST_F(SignInFlowTest, TheBrowsersAnswerOnTheListenerEndsSignedInWithTheTokenKept) {
  listeners.listener->target = u"/callback?state=" + State() + u"&code=c1";
  Start();
  background.RunAll();
  ASSERT_EQ(browser.opened.size(), 1u);
  EXPECT_NE(browser.opened[0].find(u"redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2Fcallback"),
            std::u16string::npos);
  EXPECT_NE(browser.opened[0].find(u"&state=" + State()), std::u16string::npos);
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].kind, Kind::kSignedIn);
  EXPECT_EQ(news[0].text, u"@alice@social.example");
  EXPECT_EQ(listeners.listener->waitedSeconds, 300);
  EXPECT_NE(listeners.listener->answered.find("close this tab"), std::string::npos);
  const auto kept = SignedIn(secrets, u"https://social.example");
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->secret, "tok");
  EXPECT_EQ(kept->account, u"@alice@social.example");
  const std::string token = Sent(0);
  EXPECT_NE(token.find("redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2Fcallback"),
            std::string::npos);
  const std::u16string verifier = State();
  EXPECT_NE(token.find("code_verifier=" + std::string(verifier.begin(), verifier.end())),
            std::string::npos);
}

TEST_F(SignInFlowTest, AForeignAnswerOrAClosedDialogStoresNothing) {
  listeners.listener->target = u"/callback?state=forged&code=c1";
  Start();
  background.RunAll();
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].kind, Kind::kRefused);
  EXPECT_TRUE(http.calls.empty());

  news.clear();
  listeners.listener = std::make_shared<platform::fake::FakeLoopbackListener>();
  listeners.listener->target = u"/callback?state=" + State() + u"&code=c1";
  Start();
  flow.Cancel();  // the dialog closes before the browser answers
  EXPECT_TRUE(listeners.listener->closed);
  background.RunAll();
  EXPECT_TRUE(news.empty());
  EXPECT_TRUE(secrets.secrets.empty());
}

TEST_F(SignInFlowTest, WithoutAListenerTheUserPastesTheCodeTheServerShows) {
  listeners.failure = platform::Failure(10013, u"Access denied.");
  Start();
  background.RunAll();
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].kind, Kind::kPasteCode);
  EXPECT_NE(browser.opened.at(0).find(u"redirect_uri=urn%3Aietf%3Awg%3Aoauth%3A2.0%3Aoob"),
            std::u16string::npos);
  flow.PasteCode(u" c2 ");
  flow.PasteCode(u"c3");  // pressed again before the first code's answer: ignored
  background.RunAll();
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(http.calls.size(), 2u);  // one token exchange, one account check
  EXPECT_EQ(news[1].kind, Kind::kSignedIn);
  EXPECT_NE(Sent(0).find("code=c2&"), std::string::npos);
}

TEST_F(SignInFlowTest, TheDialogsLineFollowsSignOutAndAnUnreachableServerIsNamedInABox) {
  secrets.secrets[u"Lumora:https://social.example"] = {u"@alice@social.example", "tok"};
  platform::fake::FakeMessageBoxes boxes;
  SignInAccount account({{secrets, listeners, browser}, http, settings, random, background}, boxes,
                        u"@alice@social.example");
  struct Lines final : platform::ServiceDialogAccount::ShowAccount {
    void operator()(const std::u16string& line, bool signedIn) const override {
      shown.emplace_back(line, signedIn);
    }
    mutable std::vector<std::pair<std::u16string, bool>> shown;
  } show;
  const auto& lines = show.shown;
  platform::ServiceDialogValues values{u"mastodon", u"social.example", u"", u""};
  http.scripts = {{u"", platform::Failure(12029, u"No connection.")}};
  account.SignOut(values, show);
  // Gone before the server is asked: a window looking at once finds no account.
  EXPECT_TRUE(secrets.secrets.empty());
  background.RunAll();
  EXPECT_EQ(lines.back(), std::pair(std::u16string(u"Not signed in."), false));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find(u"could not revoke"), std::u16string::npos);

  account.SignOut(values, show);  // nothing kept any more: nothing to revoke, nothing to say
  background.RunAll();
  EXPECT_EQ(boxes.shown.size(), 1u);

  values.protocol.clear();  // the classic protocol has no sign-in: nothing starts
  account.SignIn(values, u"", show);
  EXPECT_EQ(background.Waiting(), 0u);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

}  // namespace
}  // namespace poster::sign_in
