#include "poster/sign_in/sign_in.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/common/failure.h"
#include "platform/fake/fake_random.h"
#include "platform/fake/fake_secret_store.h"
#include "platform/fake/fake_settings.h"
#include "platform/sha256.h"
#include "poster/sign_in/pkce.h"
#include "tests/poster/web/scripted_exchange.h"

namespace poster::sign_in {
namespace {

using web::WebReply;

constexpr char16_t kOrigin[] = u"https://social.example";
constexpr char16_t kClientSetting[] = u"SignInClient https://social.example";

std::u16string Hex(const std::array<std::uint8_t, 32>& digest) {
  std::u16string out;
  for (const std::uint8_t b : digest) {
    out += u"0123456789abcdef"[b >> 4];
    out += u"0123456789abcdef"[b & 15];
  }
  return out;
}

// The refusal's text, or "" when `step` did not refuse.
template <typename Step>
std::u16string Refusal(Step step) {
  try {
    step();
  } catch (const platform::Failure& failure) {
    return failure.Description();
  }
  return u"";
}

class SignIn : public ::testing::Test {
 protected:
  web::ScriptedExchange exchange;
  platform::fake::FakeSettings settings;
  platform::fake::FakeSecretStore secrets;
  const Client client{u"cid", u"csecret", u"write:statuses profile"};
};

TEST(Pkce, Sha256MatchesTheFipsExamplesAndTheChallengeRfc7636s) {
  EXPECT_EQ(Hex(platform::Sha256("abc")),
            u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(platform::Sha256("")),
            u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  // Padding that spills into a second block.
  EXPECT_EQ(Hex(platform::Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            u"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(platform::Sha256(std::string(1000, 'a'))),
            u"41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");

  platform::fake::FakeRandom random;
  random.pattern = {116, 24,  223, 180, 151, 153, 224, 37,  79, 250, 96, 125, 216, 173, 187, 186,
                    22,  212, 37,  77,  105, 214, 191, 240, 91, 88,  5,  88,  83,  132, 141, 121};
  const std::u16string verifier = RandomToken(random);
  EXPECT_EQ(verifier, u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
  EXPECT_EQ(PkceChallenge(verifier), u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  const std::uint8_t two[] = {0xfb, 0xff};
  EXPECT_EQ(Base64Url(two, 2), u"-_8");
}

TEST(SignInServer, EveryTypedFormGivesTheHttpsOriginAndHttpIsRefused) {
  EXPECT_EQ(ServerOrigin(u" mastodon.social "), u"https://mastodon.social");
  EXPECT_EQ(ServerOrigin(u"https://Social.Example/"), kOrigin);
  EXPECT_EQ(ServerOrigin(u"@alice@social.example"), kOrigin);
  EXPECT_EQ(ServerOrigin(u"social.example:8443"), u"https://social.example:8443");
  EXPECT_NE(Refusal([] { ServerOrigin(u"http://social.example"); }).find(u"https:// only"),
            std::u16string::npos);
  for (const char16_t* junk : {u"", u"https://social.example/path", u"ftp://x", u"a b"})
    EXPECT_NE(Refusal([&] { ServerOrigin(junk); }), u"") << std::u16string(junk).size();
}

TEST_F(SignIn, RegistersOnceAndKeepsTheClientInTheSettings) {
  exchange.replies = {WebReply{200, u"{\"client_id\":\"id1\",\"client_secret\":\"s1\"}"}};
  const Client made = Registration(exchange, settings, kOrigin);
  EXPECT_EQ(made.id, u"id1");
  EXPECT_EQ(made.scopes, u"write:statuses profile");
  ASSERT_EQ(exchange.sent.size(), 1u);
  EXPECT_EQ(exchange.sent[0].url, u"https://social.example/api/v1/apps");
  EXPECT_EQ(exchange.Body(0),
            u"client_name=Lumora&redirect_uris=http%3A%2F%2F127.0.0.1%2Fcallback%0Aurn%3Aietf%3Awg"
            u"%3Aoauth%3A2.0%3Aoob&scopes=write%3Astatuses+profile");
  EXPECT_EQ(settings.values[kClientSetting], u"id1 s1 write:statuses profile");

  const Client kept = Registration(exchange, settings, kOrigin);
  EXPECT_EQ(exchange.sent.size(), 1u) << "kept, not registered again";
  EXPECT_EQ(kept.secret, u"s1");
  EXPECT_EQ(kept.scopes, made.scopes);
}

TEST_F(SignIn, AnOlderServerGetsTheOlderScopeAndRefusalsStoreNothing) {
  exchange.replies = {WebReply{422, u"{\"error\":\"Validation failed: Scopes are invalid\"}"},
                      WebReply{200, u"{\"client_id\":\"id2\",\"client_secret\":\"s2\"}"}};
  EXPECT_EQ(Registration(exchange, settings, kOrigin).scopes, u"write:statuses read:accounts");
  EXPECT_NE(exchange.Body(1).find(u"read%3Aaccounts"), std::u16string::npos);

  for (const auto& [reply, says] :
       {std::pair{WebReply{404, u"<html>"}, u"does not offer"},
        std::pair{WebReply{429, u"{\"error\":\"Too many requests\"}"}, u"try again later"},
        std::pair{WebReply{500, u"{\"error\":\"Boom\"}"}, u"(Boom)"}}) {
    platform::fake::FakeSettings fresh;
    exchange.replies = {reply};
    const std::u16string text = Refusal([&] { Registration(exchange, fresh, kOrigin, true); });
    EXPECT_NE(text.find(says), std::u16string::npos) << reply.status;
    EXPECT_TRUE(fresh.values.empty());
  }
}

TEST_F(SignIn, TheAuthorizeAddressCarriesStateAndTheS256Challenge) {
  EXPECT_EQ(AuthorizeAddress(kOrigin, client, kLoopbackRedirect, u"st",
                             u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            u"https://social.example/oauth/authorize?response_type=code&client_id=cid"
            u"&redirect_uri=http%3A%2F%2F127.0.0.1%2Fcallback&scope=write%3Astatuses+profile"
            u"&state=st&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"
            u"&code_challenge_method=S256");
}

TEST(SignInCallback, OnlyTheCallbackWithThisStateAndACodeIsTaken) {
  EXPECT_EQ(CallbackCode(u"/callback?code=a%2Db&state=s1", u"s1"), u"a-b");
  EXPECT_EQ(CallbackCode(u"/callback?state=s1&x=1&code=c&code=other", u"s1"), u"c");
  const std::pair<const char16_t*, const char16_t*> refused[] = {
      {u"/callback?code=c&state=s2", u"not the answer"},
      {u"/callback?code=c", u"not the answer"},
      {u"/favicon.ico", u"not the answer"},
      {u"/callbackx?code=c&state=s1", u"not the answer"},
      {u"/callback?error=access_denied&state=s1", u"not allowed"},
      {u"/callback?error=invalid_scope&state=s1", u"invalid_scope"},
      {u"/callback?state=s1", u"no code"},
      {u"/callback?state=s1&code=%ZZ", u"no code"}};
  for (const auto& [target, says] : refused) {
    const std::u16string text = Refusal([&] { CallbackCode(target, u"s1"); });
    EXPECT_NE(text.find(says), std::u16string::npos) << std::u16string(target).size();
    EXPECT_NE(text.find(u"Nothing was stored."), std::u16string::npos);
  }
}

TEST_F(SignIn, TheCodeIsExchangedWithItsVerifierAndAForgottenClientIsDropped) {
  exchange.replies = {WebReply{200, u"{\"access_token\":\"tok\",\"token_type\":\"Bearer\"}"}};
  EXPECT_EQ(ExchangeCode(exchange, settings, kOrigin, client, kLoopbackRedirect, u"c1", u"v1"),
            u"tok");
  EXPECT_EQ(exchange.sent[0].url, u"https://social.example/oauth/token");
  EXPECT_EQ(exchange.Body(0),
            u"grant_type=authorization_code&code=c1&client_id=cid&client_secret=csecret"
            u"&redirect_uri=http%3A%2F%2F127.0.0.1%2Fcallback&code_verifier=v1");

  settings.values[kClientSetting] = u"cid csecret write:statuses profile";
  exchange.replies = {WebReply{400, u"{\"error\":\"invalid_grant\"}"},
                      WebReply{401, u"{\"error\":\"invalid_client\"}"}};
  EXPECT_NE(Refusal([&] {
              ExchangeCode(exchange, settings, kOrigin, client, kLoopbackRedirect, u"c", u"v");
            }).find(u"invalid_grant"),
            std::u16string::npos);
  EXPECT_EQ(settings.values.count(kClientSetting), 1u);
  EXPECT_NE(Refusal([&] {
              ExchangeCode(exchange, settings, kOrigin, client, kLoopbackRedirect, u"c", u"v");
            }).find(u"register anew"),
            std::u16string::npos);
  EXPECT_EQ(settings.values.count(kClientSetting), 0u);
}

TEST_F(SignIn, TheAccountIsConfirmedWithTheTokenAndNamedWithTheServer) {
  exchange.replies = {WebReply{200, u"{\"id\":\"1\",\"acct\":\"alice\"}"},
                      WebReply{401, u"{\"error\":\"The access token is invalid\"}"}};
  EXPECT_EQ(VerifiedAccount(exchange, u"https://social.example:8443", u"tok"),
            u"@alice@social.example");
  EXPECT_EQ(exchange.sent[0].url,
            u"https://social.example:8443/api/v1/accounts/verify_credentials");
  EXPECT_EQ(exchange.sent[0].headers.at(0).second, u"Bearer tok");
  EXPECT_NE(Refusal([&] { VerifiedAccount(exchange, kOrigin, u"tok"); }).find(u"did not confirm"),
            std::u16string::npos);
}

TEST_F(SignIn, SignOutForgetsTheTokenAndRevokesItAlsoWhenTheServerCannotBeReached) {
  settings.values[kClientSetting] = u"cid csecret write:statuses profile";
  secrets.secrets[TokenTarget(kOrigin)] = {u"@alice@social.example", "tok"};
  EXPECT_EQ(ForgetToken(secrets, kOrigin), u"tok");
  EXPECT_FALSE(SignedIn(secrets, kOrigin));
  EXPECT_EQ(ForgetToken(secrets, kOrigin), std::nullopt);
  for (const bool reachable : {true, false}) {
    exchange.sent.clear();
    exchange.replies = {reachable ? std::optional(WebReply{200, u"{}"}) : std::nullopt};
    EXPECT_EQ(RevokeToken(exchange, settings, kOrigin, u"tok"), reachable);
    EXPECT_EQ(exchange.Body(0), u"client_id=cid&client_secret=csecret&token=tok");
  }
}

}  // namespace
}  // namespace poster::sign_in
