#include "poster/bluesky/bluesky.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "poster/mastodon/mastodon.h"
#include "poster/web/json_writer.h"

namespace poster::web {
namespace {

// UTF-16, code-point and UTF-8 lengths all differ: umlauts, an emoji with a skin tone, a family
// of three joined by ZWJs, an address with a non-ASCII path, one inside brackets.
constexpr char16_t kMixed[] =
    u"Gr\u00fc\u00dfe \U0001F44B\U0001F3FD https://a.example/\u00f6, and "
    u"\U0001F468\u200D\U0001F469\u200D\U0001F467 (see http://b.example/x_(y)).";

TEST(Bluesky, FacetsCoverEachAddressInUtf8Bytes) {
  EXPECT_EQ(LinkFacets(kMixed), (std::vector<LinkFacet>{{17, 37, u"https://a.example/\u00f6"},
                                                        {67, 89, u"http://b.example/x_(y)"}}));
  EXPECT_TRUE(LinkFacets(u"no address, not even https:// alone").empty());
  // A lone surrogate goes out as U+FFFD, three bytes.
  EXPECT_EQ(LinkFacets(u"\xD800 http://c.example").at(0).byteStart, 4u);
}

TEST(Bluesky, TheLimitsCountGraphemesAndBytesAndTheCutKeepsClustersWhole) {
  const BlueskyLength mixed = MeasureBluesky(kMixed);
  EXPECT_EQ(mixed.graphemes, 64u);
  EXPECT_EQ(mixed.bytes, 91u);
  EXPECT_EQ(MeasureBluesky(u"a\r\nb").bytes, 3u) << "a line break goes out as LF";
  EXPECT_EQ(BlueskyText(u"a\r\nb\rc\n"), u"a\nb\nc\n");

  const std::u16string family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467";  // 18 bytes
  const std::u16string full = std::u16string(299, u'x') + family;
  EXPECT_FALSE(MeasureBluesky(full).Over());
  EXPECT_EQ(CutToBlueskyLimits(full + u"y"), full);
  EXPECT_EQ(CutToBlueskyLimits(std::u16string(299, u'x') + u"e\u0301\u0301z"),
            std::u16string(299, u'x') + u"e\u0301\u0301")
      << "accents stay with their letter";
  // Letters with ten accents each, 21 bytes: 142 fill 2,982 bytes and the 143rd is cut.
  std::u16string accented;
  for (int i = 0; i < 200; ++i) accented += u"e" + std::u16string(10, u'\u0301');
  EXPECT_TRUE(MeasureBluesky(accented).Over());
  EXPECT_EQ(CutToBlueskyLimits(accented).size(), 142u * 11);
  // Addresses count at their full length.
  EXPECT_EQ(MeasureBluesky(u"https://" + std::u16string(300, u'a') + u".example").graphemes, 316u);
}

TEST(Bluesky, TheRecordKeyIsATimestampIdentifierAndTheTimeIsIsoUtc) {
  EXPECT_EQ(Tid(0, 0), u"2222222222222");
  EXPECT_EQ(Tid(1796688000042000, 5), u"3n44k52bl2k27");
  EXPECT_EQ(Tid(1796688000042001, 1023), u"3n44k52bl2lzz");
  EXPECT_LT(Tid(1796688000042000, 1023), Tid(1796688000042001, 0)) << "later sorts later";
  EXPECT_EQ(Tid(~std::uint64_t{0}, 0x7FF), u"bzzzzzzzzzzzz") << "the top bit stays clear";

  EXPECT_EQ(IsoUtcTime(0), u"1970-01-01T00:00:00.000Z");
  EXPECT_EQ(IsoUtcTime(1796688000042), u"2026-12-08T00:00:00.042Z");
  EXPECT_EQ(IsoUtcTime(951825599999), u"2000-02-29T11:59:59.999Z");
  EXPECT_EQ(RetrySentence(ResetSecondsTime(u"1796741100")),
            u"Try again after 14:45 UTC on 2026-12-08.");
  EXPECT_EQ(ResetSecondsTime(u"soon"), u"");
  EXPECT_EQ(ResetSecondsTime(u""), u"");
}

TEST(Bluesky, JsonStringsEscapeWhatJsonRequires) {
  std::string json = "[";
  AppendJsonNumber(json, 18446744073709551615u);
  AppendJson(json, {{",", u"q\"\\/\n\t\x01\U0001F600\xD800"}, {",", u""}});
  EXPECT_EQ(
      json,
      "[18446744073709551615,\"q\\\"\\\\/\\u000a\\u0009\\u0001\xF0\x9F\x98\x80\xEF\xBF\xBD\",\"\"")
      << "a pair as one character, a lone half as U+FFFD";
}

TEST(Bluesky, ThePostRecordHoldsTextTimeLanguageFacetsAndCard) {
  BlueskyPost post{u"Read\r\nhttps://a.example", u"2026-12-08T00:00:00.042Z", u"en-GB",
                   u"https://a.example/page", u""};
  EXPECT_EQ(PostRecordBody(u"did:plc:x", u"3n44k52bl2k27", post),
            "{\"repo\":\"did:plc:x\",\"collection\":\"app.bsky.feed.post\",\"rkey\":"
            "\"3n44k52bl2k27\",\"record\":{\"$type\":\"app.bsky.feed.post\",\"text\":"
            "\"Read\\u000ahttps://a.example\",\"createdAt\":\"2026-12-08T00:00:00.042Z\","
            "\"langs\":[\"en-GB\"],\"facets\":[{\"index\":{\"byteStart\":5,\"byteEnd\":22},"
            "\"features\":[{\"$type\":\"app.bsky.richtext.facet#link\",\"uri\":"
            "\"https://a.example\"}]}],\"embed\":{\"$type\":\"app.bsky.embed.external\","
            "\"external\":{\"uri\":\"https://a.example/page\",\"title\":\"a.example\","
            "\"description\":\"\"}}}}");
  post = {u"plain", u"t", u"", u"", u""};
  EXPECT_EQ(PostRecordBody(u"d", u"k", post),
            "{\"repo\":\"d\",\"collection\":\"app.bsky.feed.post\",\"rkey\":\"k\",\"record\":{"
            "\"$type\":\"app.bsky.feed.post\",\"text\":\"plain\",\"createdAt\":\"t\"}}");
}

TEST(Bluesky, RepliesGiveThePostsAddressAndTheServersWords) {
  EXPECT_EQ(PostWebAddress(u"alice.test", u"at://did:plc:x/app.bsky.feed.post/3n44k52bl2k27"),
            u"https://bsky.app/profile/alice.test/post/3n44k52bl2k27");
  EXPECT_FALSE(PostWebAddress(u"alice.test", u"at://did:plc:x/app.bsky.feed.like/3n4"));
  EXPECT_FALSE(PostWebAddress(u"alice.test/../x?", u"at://did:plc:x/app.bsky.feed.post/3n4"));
  EXPECT_FALSE(PostWebAddress(u"alice.test", u"https://e.example/app.bsky.feed.post/3n4"));

  EXPECT_EQ(XrpcErrorText(u"{\"error\":\"InvalidRequest\",\"message\":\"Invalid record\"}"),
            u"InvalidRequest: Invalid record");
  EXPECT_EQ(XrpcErrorText(u"{\"error\":\"ExpiredToken\"}"), u"ExpiredToken");
  EXPECT_EQ(XrpcErrorText(u"<html>Bad gateway</html>"), u"<html>Bad gateway</html>");
  EXPECT_EQ(ReplyString(u"{\"error\":\"ExpiredToken\"}", u"error"), u"ExpiredToken");
  EXPECT_EQ(ReplyString(u"<html>", u"error"), u"");
}

}  // namespace
}  // namespace poster::web
