#include "poster/mastodon/mastodon_client.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

#include "platform/common/failure.h"
#include "platform/fake/fake_http.h"
#include "tests/poster/web/scripted_exchange.h"

namespace poster::web {
namespace {

TEST(MastodonClient, LimitsComeFromV2ThenV1ThenTheDefaults) {
  ScriptedExchange fromV2;
  fromV2.replies = {WebReply{200,
                             u"{\"configuration\":{\"statuses\":{\"max_characters\":900,"
                             u"\"characters_reserved_per_url\":20}}}"}};
  EXPECT_EQ(FetchStatusLimits(fromV2, u"https://social.example/"), (StatusLimits{900, 20}));
  ASSERT_EQ(fromV2.sent.size(), 1u);
  EXPECT_EQ(fromV2.sent[0].method, u"GET");
  EXPECT_EQ(fromV2.sent[0].url, u"https://social.example/api/v2/instance");
  EXPECT_TRUE(fromV2.sent[0].headers.empty()) << "no token for the limits";

  ScriptedExchange fromV1;
  // Only a 200 publishes limits, whatever an error reply's body holds.
  fromV1.replies = {WebReply{503, u"{\"configuration\":{\"statuses\":{\"max_characters\":9}}}"},
                    WebReply{200, u"{\"max_toot_chars\":5000}"}};
  EXPECT_EQ(FetchStatusLimits(fromV1, u"https://old.example"), (StatusLimits{5000, 23}));
  EXPECT_EQ(fromV1.sent.at(1).url, u"https://old.example/api/v1/instance");

  ScriptedExchange neither;
  neither.replies = {WebReply{200, u"<html>"}, WebReply{200, u"{}"}};
  EXPECT_EQ(FetchStatusLimits(neither, u"https://x.example"), kDefaultStatusLimits);

  ScriptedExchange unreachable;
  unreachable.replies = {std::nullopt};
  EXPECT_EQ(FetchStatusLimits(unreachable, u"https://x.example"), kDefaultStatusLimits);
  EXPECT_EQ(unreachable.sent.size(), 1u) << "no second question to a server that did not answer";
}

TEST(MastodonClient, APostSendsTheRequestAndJudgesTheReplyWithItsReset) {
  ScriptedExchange exchange;
  exchange.replies = {WebReply{429, u"{\"error\":\"Too many requests\"}", u"2026-12-07T20:05:00Z"}};
  const MastodonVerdict verdict = PostStatus(exchange, u"https://s.example", u"tok", u"hi", 1);
  EXPECT_EQ(verdict.kind, MastodonVerdict::Kind::kRefused);
  EXPECT_EQ(verdict.retry, u"Try again after 20:05 UTC on 2026-12-07.");
  ASSERT_EQ(exchange.sent.size(), 1u);
  EXPECT_EQ(exchange.sent[0].url, u"https://s.example/api/v1/statuses");
  EXPECT_EQ(exchange.sent[0].headers,
            MastodonStatusRequest(u"https://s.example", u"tok", u"hi", 1).headers);

  EXPECT_THROW(PostStatus(exchange, u"https://s.example", u"tok", u"hi", 1), platform::Failure);
}

TEST(MastodonClient, TheHttpExchangeSendsTheHeadersGivenAndReadsStatusBodyAndReset) {
  platform::fake::FakeHttpClient http;
  http.scripts.push_back({u"{\"error\":\"slow down\"}",
                          {},
                          {},
                          429,
                          u"HTTP/1.1 429 x\r\nX-RateLimit-Reset: 2026-12-07T20:05:00Z\r\n"});
  HttpWebExchange exchange(http);
  const WebRequest request = MastodonStatusRequest(u"https://s.example", u"tok", u"hi", 1);
  const WebReply reply = exchange.Exchange(request);
  EXPECT_EQ(reply.status, 429);
  EXPECT_EQ(reply.body, u"{\"error\":\"slow down\"}");
  EXPECT_EQ(reply.rateLimitReset, u"2026-12-07T20:05:00Z");
  ASSERT_EQ(http.calls.size(), 1u);
  const auto& calls = http.calls[0];
  // No account: the token travels only in the header it was given in.
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{u"POST", request.url}));
  ASSERT_EQ(calls[1].name, "SetRequestHeader");
  EXPECT_EQ(calls[1].args, (std::vector<std::u16string>{u"Authorization", u"Bearer tok"}));
  EXPECT_EQ(calls[4].name, "Send");
  EXPECT_EQ(calls[4].body, request.body);
  EXPECT_EQ(calls.back().name, "Release");
  EXPECT_EQ(http.alive, 0);

  http.scripts.push_back({{}, platform::Failure(12029, u"refused")});
  EXPECT_THROW(exchange.Exchange(request), platform::Failure);
  EXPECT_EQ(http.alive, 0) << "released also when the send fails";
}

}  // namespace
}  // namespace poster::web
