#include "poster/mastodon/mastodon.h"

#include <gtest/gtest.h>

#include <string>

#include "poster/web/json_reader.h"

namespace poster::web {
namespace {

using Kind = MastodonVerdict::Kind;

// The tokenizer's laxities, nesting past the reader's depth and a text past a reply's MiB.
TEST(JsonObject, RefusesLaxJsonDeepNestingAndOversizedText) {
  for (const char16_t* lax :
       {u"{\"id\" \"1\"}", u"{\"id\",\"1\"}", u"{\"a\":1,}", u"{\"a\":[1,]}", u"{1:\"x\"}",
        u"{\"a\":1,,\"b\":2}", u"{,\"a\":1}", u"{\"a\":[,1]}", u"{\"a\":{\"b\"}}",
        u"{\"a\":[\"x\":1]}", u"{\"a\":\"x\ty\"}", u"{\"a\":[1}", u"{\"a\":{]}"}) {
    EXPECT_FALSE(JsonObject::Parse(lax).has_value()) << std::u16string(lax).size();
  }
  const auto nested = [](std::size_t depth) {
    return u"{\"id\":\"1\",\"a\":" + std::u16string(depth - 1, u'[') +
           std::u16string(depth - 1, u']') + u"}";
  };
  EXPECT_EQ(JsonObject::Parse(nested(kDeepestJson))->StringAt({u"id"}), u"1");
  EXPECT_FALSE(JsonObject::Parse(nested(kDeepestJson + 1)).has_value());
  // A reply nested as deep as a MiB allows is an excerpt, not a success.
  EXPECT_EQ(JudgeMastodonReply(200, nested(kLongestJson / 2 - 8), u"").kind, Kind::kOther);
  const std::u16string longest = u"{\"id\":\"" + std::u16string(kLongestJson - 10, u'x') + u"\"}";
  EXPECT_TRUE(JsonObject::Parse(longest).has_value());
  EXPECT_FALSE(JsonObject::Parse(longest + u"  ").has_value());
}

TEST(Mastodon, EndpointsJoinTheServerAddress) {
  EXPECT_EQ(MastodonEndpoint(u"https://social.example", kStatusesPath),
            u"https://social.example/api/v1/statuses");
  EXPECT_EQ(MastodonEndpoint(u"https://social.example/pre//", kInstanceV2Path),
            u"https://social.example/pre/api/v2/instance");
}

TEST(Mastodon, LimitsComeFromEitherInstanceReplyOrNowhere) {
  EXPECT_EQ(LimitsFromInstanceV2(u"{\"uri\":\"x\",\"configuration\":{\"urls\":{},\"statuses\":"
                                 u"{\"max_characters\":5000,\"characters_reserved_per_url\":30}}}"),
            (StatusLimits{5000, 30}));
  EXPECT_EQ(LimitsFromInstanceV2(u"{\"configuration\":{\"statuses\":{\"max_characters\":640}}}"),
            (StatusLimits{640, 23}));
  EXPECT_EQ(LimitsFromInstanceV1(u"{\"uri\":\"x\",\"max_toot_chars\":1000}"),
            (StatusLimits{1000, 23}));

  for (const char16_t* unusable :
       {u"<html>", u"{\"configuration\":{\"statuses\":{\"max_characters\":\"500\"}}}",
        u"{\"configuration\":{\"statuses\":{\"max_characters\":0}}}",
        u"{\"configuration\":{\"statuses\":{\"max_characters\":-5}}}",
        u"{\"configuration\":{\"statuses\":{\"max_characters\":1e3}}}",
        u"{\"configuration\":{\"statuses\":{\"max_characters\":99999999999999999999999}}}",
        u"{\"max_characters\":500}"}) {
    EXPECT_EQ(LimitsFromInstanceV2(unusable), std::nullopt);
  }
  EXPECT_EQ(LimitsFromInstanceV1(u"{\"version\":\"4.2\"}"), std::nullopt);
}

TEST(Mastodon, TheCounterCountsCharactersAndLinksAsReserved) {
  EXPECT_EQ(MastodonLength(u"", 23), 0u);
  EXPECT_EQ(MastodonLength(u"caf\u00e9 \U0001F600", 23), 6u);
  EXPECT_EQ(MastodonLength(u"\xD800x", 23), 2u);  // a lone surrogate is one
  EXPECT_EQ(MastodonLength(u"see https://example.org/a/very/long/path/indeed?q=1", 23), 27u);
  EXPECT_EQ(MastodonLength(u"HTTP://a.co and http://b.example/x.", 23), 23u + 5 + 23 + 1);
  EXPECT_EQ(MastodonLength(u"(http://w.example/Foo_(bar)) ok", 10), 1u + 10 + 1 + 3);
  EXPECT_EQ(MastodonLength(u"(http://w.example/x)", 10), 1u + 10 + 1);
  // A link ends before any white space, a line break among it, and before the punctuation
  // that ends a sentence.
  for (const char16_t* after : {u" ", u"\t", u"\n", u"\v", u"\f", u"\r", u"\u0085", u"\u00a0",
                                u"\u2028", u"\u2029", u"\u3000"}) {
    EXPECT_EQ(MastodonLength(u"http://a.co/x" + std::u16string(after) + u"y", 10), 12u)
        << static_cast<int>(after[0]);
  }
  EXPECT_EQ(MastodonLength(u"http://a.co/x.,:;!?'\"", 10), 18u);
  EXPECT_EQ(MastodonLength(u"http://a.co/x.y", 10), 10u) << "not at its end";
  // Not links: a bare scheme, one glued to a word, another scheme.
  EXPECT_EQ(MastodonLength(u"http:// x", 23), 9u);
  EXPECT_EQ(MastodonLength(u"xhttp://a.co", 23), 12u);
  EXPECT_EQ(MastodonLength(u"ftp://a.co", 23), 10u);
}

TEST(Mastodon, TheCutKeepsTheLongestStartWithinTheLimit) {
  EXPECT_EQ(CutToLimit(u"abcdef", {4, 23}), u"abcd");
  EXPECT_EQ(CutToLimit(u"ab\U0001F600cd", {3, 23}), u"ab\U0001F600");
  EXPECT_EQ(CutToLimit(u"abc", {500, 23}), u"abc");
  // A short link counting more than its length is cut back until the count fits.
  EXPECT_EQ(CutToLimit(u"ab http://a.co cd", {20, 23}), u"ab http://");
  EXPECT_LE(MastodonLength(CutToLimit(u"ab http://a.co cd", {20, 23}), 23), 20u);
  // A link longer than the limit in characters still fits whole when its count does.
  const std::u16string linked = u"Read https://example.com/" + std::u16string(60, u'a') + u" now";
  EXPECT_EQ(CutToLimit(linked, {40, 23}), linked);
  EXPECT_EQ(CutToLimit(linked, {30, 23}), linked.substr(0, linked.size() - 2));
}

// What a reader sees as one character the server counts as one.
constexpr char16_t kThumbsUp[] = u"\U0001F44D\U0001F3FD";  // with a skin tone
constexpr char16_t kFamily[] = u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
constexpr char16_t kFlags[] = u"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA";  // two flags

TEST(Mastodon, TheCounterCountsClustersAroundLinks) {
  EXPECT_EQ(MastodonLength(kThumbsUp, 23), 1u);
  EXPECT_EQ(MastodonLength(kFamily, 23), 1u);
  EXPECT_EQ(MastodonLength(u"e\u0301te\u0301", 23), 3u);
  EXPECT_EQ(MastodonLength(kFlags, 23), 2u);
  EXPECT_EQ(MastodonLength(u"\U0001F1EB\U0001F1F7\U0001F1E9", 23), 2u);  // a flag and a half
  // A mark after the link's end joins the space or stop there; one inside it is the link's.
  EXPECT_EQ(MastodonLength(u"http://a.example/x \u0301.\u0301", 23), 23u + 2);
  EXPECT_EQ(MastodonLength(u"http://a.example/x.\u0301 ok", 23), 23u + 3);
  // The server counts the letters standing for a link: a prefix mark joins the first.
  EXPECT_EQ(MastodonLength(u"\u0600http://a.example", 23), 23u);
}

TEST(Mastodon, TheCutEndsBetweenClusters) {
  const std::u16string thumbs = kThumbsUp;
  EXPECT_EQ(CutToLimit(u"ab" + thumbs + u"cd", {3, 23}), u"ab" + thumbs);
  EXPECT_EQ(CutToLimit(thumbs + kFamily + thumbs, {2, 23}), thumbs + kFamily);
  EXPECT_EQ(CutToLimit(u"e\u0301e\u0301", {1, 23}), u"e\u0301");
  EXPECT_EQ(CutToLimit(kFlags, {1, 23}), u"\U0001F1EB\U0001F1F7");
  EXPECT_EQ(CutToLimit(u"e\u0301 http://a.co", {5, 23}), u"e\u0301 htt");
  EXPECT_EQ(CutToLimit(u"x http://a.co \u0301y", {26, 23}), u"x http://a.co \u0301");
}

TEST(Mastodon, TheIdempotencyKeyFollowsTheTextWithinARun) {
  const std::u16string key = IdempotencyKey(42, u"hello");
  EXPECT_EQ(key.size(), 40u);
  EXPECT_EQ(IdempotencyKey(42, u"hello"), key);
  EXPECT_NE(IdempotencyKey(42, u"hello!"), key);
  EXPECT_NE(IdempotencyKey(43, u"hello"), key);
  for (char16_t c : key) EXPECT_TRUE(c > 0x20 && c < 0x7F);
}

TEST(Mastodon, TheVerdictFollowsStatusAndJson) {
  const MastodonVerdict published = JudgeMastodonReply(
      200, u"{\"id\":\"109\",\"url\":\"https://social.example/@me/109\",\"content\":\"x\"}", u"");
  EXPECT_EQ(published.kind, Kind::kPublished);
  EXPECT_EQ(published.text, u"https://social.example/@me/109");
  EXPECT_EQ(JudgeMastodonReply(200, u"{\"id\":\"1\",\"url\":null}", u"").kind, Kind::kPublished);
  // A number for an id, another success status or no JSON is no verdict of success.
  EXPECT_EQ(JudgeMastodonReply(200, u"{\"id\":109}", u"").kind, Kind::kOther);
  EXPECT_EQ(JudgeMastodonReply(201, u"{\"id\":\"1\"}", u"").kind, Kind::kOther);
  EXPECT_EQ(JudgeMastodonReply(200, u"<html>ok</html>", u"").text, u"<html>ok</html>");

  for (int status : {401, 403, 422, 429, 500, 503}) {
    const MastodonVerdict refused =
        JudgeMastodonReply(status, u"{\"error\":\"Validation failed: Text can't be blank\"}", u"");
    EXPECT_EQ(refused.kind, Kind::kRefused) << status;
    EXPECT_EQ(refused.text, u"Validation failed: Text can't be blank");
    EXPECT_EQ(refused.retry.empty(), status != 429);
  }
  EXPECT_EQ(JudgeMastodonReply(404, u"{\"error\":\"Not found\"}", u"").kind, Kind::kOther);
  EXPECT_EQ(JudgeMastodonReply(422, u"{\"error\":{\"x\":1}}", u"").kind, Kind::kOther);
  const std::u16string huge = u"{\"error\":\"" + std::u16string(5000, u'e') + u"\"}";
  EXPECT_EQ(JudgeMastodonReply(500, huge, u"").text.size(), 1001u);
  EXPECT_EQ(JudgeMastodonReply(500, std::u16string(5000, u'x'), u"").text.size(), 1001u);
}

TEST(Mastodon, ARateLimitSaysWhenToTryAgain) {
  EXPECT_EQ(
      JudgeMastodonReply(429, u"{\"error\":\"Too many requests\"}", u"2026-12-07T20:05:00.000Z")
          .retry,
      u"Try again after 20:05 UTC on 2026-12-07.");
  EXPECT_EQ(JudgeMastodonReply(429, u"Too many", u"").retry,
            u"Wait a few minutes before you try again.");
  EXPECT_EQ(ResetTimeText(u"2026-12-07T20:05:00+00:00"), u"20:05 UTC on 2026-12-07");
  EXPECT_EQ(ResetTimeText(u"2026-12-07T20:05:00+02:00"), std::nullopt);
  EXPECT_EQ(ResetTimeText(u"1765137900"), std::nullopt);
  EXPECT_EQ(ResetTimeText(u"2026-12-07X20:05"), std::nullopt);
  // Digits where the shape has them, its own punctuation, and "T", "t" or a space between.
  EXPECT_EQ(ResetTimeText(u"2026-12-07 20:05Z"), u"20:05 UTC on 2026-12-07");
  EXPECT_EQ(ResetTimeText(u"2026-12-07t20:05"), u"20:05 UTC on 2026-12-07");
  for (const char16_t* broken :
       {u"2026-12-0720:05", u"2026-1a-07T20:05", u"2026/12/07T20:05", u"2026-12-07T20.05"}) {
    EXPECT_EQ(ResetTimeText(broken), std::nullopt) << std::u16string_view(broken).size();
  }
}

}  // namespace
}  // namespace poster::web
