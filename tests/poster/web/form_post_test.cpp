#include "poster/web/form_post.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_http.h"
#include "poster/classic/status_update.h"
#include "poster/short_link/link_shortening.h"

namespace poster::web {
namespace {

using platform::fake::FakeHttpClient;

std::string Body(const FakeHttpClient& http) {
  const auto& body = http.calls.at(0).at(2).body;
  return std::string(body.begin(), body.end());
}

TEST(WebFormPost, FieldIsTheNameAnEqualsSignAndTheEncodedValue) {
  EXPECT_EQ(FormField(u"status", u"a b&\u00E9"), "status=a+b%26%C3%A9");
  EXPECT_EQ(FormField(u"TheLongURL", u""), "TheLongURL=");
}

TEST(WebFormPost, EachRequestGoesToItsAddressWithItsOwnFieldAndCredentials) {
  FakeHttpClient http;
  http.scripts.push_back({u"posted"});
  EXPECT_EQ(PostStatus(http, u"http://s/update", u"hi there", {u"me", u"pw"}), u"posted");
  EXPECT_EQ(http.calls[0][0].args,
            (std::vector<std::u16string>{u"POST", u"http://s/update", u"me", u"pw"}));
  EXPECT_EQ(Body(http), "status=hi+there");

  FakeHttpClient anonymous;
  RequestShortLink(anonymous, u"http://l/make", u"http://x.example/?a=1");
  EXPECT_EQ(anonymous.calls[0][0].args, (std::vector<std::u16string>{u"POST", u"http://l/make"}));
  EXPECT_EQ(Body(anonymous), "TheLongURL=http%3A%2F%2Fx.example%2F%3Fa%3D1");
  EXPECT_EQ(anonymous.alive, 0);
}

TEST(WebFormPost, AnAddressWithoutWebSchemeGetsPlainHttp) {
  EXPECT_EQ(WithWebScheme(u"example.com"), u"http://example.com");
  EXPECT_EQ(WithWebScheme(u"HTTPS://a.b"), u"HTTPS://a.b");
  EXPECT_EQ(WithWebScheme(u"Http:x"), u"Http:x");
  EXPECT_EQ(WithWebScheme(u"httpx://a"), u"http://httpx://a");
  EXPECT_EQ(WithWebScheme(u"ftp://a.b"), u"http://ftp://a.b");
}

}  // namespace
}  // namespace poster::web
