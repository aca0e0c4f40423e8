#include "poster/bluesky/bluesky_client.h"

#include <gtest/gtest.h>

#include "tests/poster/web/scripted_exchange.h"

namespace poster::web {
namespace {

constexpr char16_t kPlcDocument[] =
    u"{\"id\":\"did:plc:alice\",\"service\":[{\"id\":\"#atproto_labeler\",\"serviceEndpoint\":"
    u"\"https://labels.example\"},{\"id\":\"did:plc:alice#atproto_pds\",\"type\":"
    u"\"AtprotoPersonalDataServer\",\"serviceEndpoint\":\"https://pds.example\"}]}";

TEST(BlueskyClient, AHandleLeadsThroughItsDidDocumentToItsPdsOrElseToTheEntryway) {
  ScriptedExchange plc;
  plc.replies = {WebReply{200, u"{\"did\":\"did:plc:alice\"}"}, WebReply{200, kPlcDocument}};
  EXPECT_EQ(FindPds(plc, u"https://bsky.social", u"@alice.example"), u"https://pds.example");
  EXPECT_EQ(plc.sent.at(0).url,
            u"https://bsky.social/xrpc/com.atproto.identity.resolveHandle?handle=alice.example");
  EXPECT_EQ(plc.sent.at(1).url, u"https://plc.directory/did:plc:alice");

  ScriptedExchange web;
  web.replies = {WebReply{200, u"{\"did\":\"did:web:alice.example\"}"},
                 WebReply{200, kPlcDocument}};
  EXPECT_EQ(FindPds(web, u"https://bsky.social", u"alice.example"), u"https://pds.example");
  EXPECT_EQ(web.sent.at(1).url, u"https://alice.example/.well-known/did.json");

  // Only an https:// PDS is taken; every other answer leaves the entryway.
  const std::u16string plain =
      u"{\"service\":[{\"id\":\"#atproto_pds\",\"serviceEndpoint\":\"http://pds.example\"}]}";
  for (auto replies : {std::deque<std::optional<WebReply>>{WebReply{404, u"{}"}},
                       std::deque<std::optional<WebReply>>{std::nullopt},
                       std::deque<std::optional<WebReply>>{WebReply{200, u"{\"did\":\"x:y\"}"}},
                       std::deque<std::optional<WebReply>>{
                           WebReply{200, u"{\"did\":\"did:plc:a\"}"}, WebReply{200, plain}}}) {
    ScriptedExchange exchange;
    exchange.replies = replies;
    EXPECT_EQ(FindPds(exchange, u"https://bsky.social", u"a.example"), u"https://bsky.social");
  }
}

TEST(BlueskyClient, ASessionNeedsAllItsPartsAndTheRefreshTokenGoesAsBearer) {
  ScriptedExchange exchange;
  exchange.replies = {
      WebReply{200, u"{\"accessJwt\":\"a\",\"refreshJwt\":\"r\",\"handle\":\"h.test\"}"},
      WebReply{200, u"{\"accessJwt\":\"a\",\"refreshJwt\":\"r\",\"handle\":\"h\",\"did\":\"d\"}"}};
  EXPECT_FALSE(CreateSession(exchange, u"https://pds.example/", u"h.test", u"pw").session);
  const SessionAnswer answer = RefreshSession(exchange, u"https://pds.example", u"r0");
  ASSERT_TRUE(answer.session);
  EXPECT_EQ(answer.session->did, u"d");
  EXPECT_EQ(exchange.sent.at(0).url, u"https://pds.example/xrpc/com.atproto.server.createSession");
  EXPECT_EQ(
      exchange.sent.at(1).headers,
      (std::vector<std::pair<std::u16string, std::u16string>>{{u"Authorization", u"Bearer r0"}}));
  EXPECT_TRUE(exchange.sent.at(1).body.empty());
}

}  // namespace
}  // namespace poster::web
