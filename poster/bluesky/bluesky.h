// The AT Protocol as Lumora posts to Bluesky with it: the limits, the record key, the time, the
// link facets, the post record and the verdict on a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace poster::web {

// A post's limits: grapheme clusters (UAX #29) and UTF-8 bytes of its text as sent.
inline constexpr std::size_t kBlueskyMostGraphemes = 300;
inline constexpr std::size_t kBlueskyMostBytes = 3000;

// `status` as the post's text: every CR LF and lone CR as LF, as Bluesky's apps write them.
std::u16string BlueskyText(std::u16string_view status);

// The grapheme clusters and UTF-8 bytes of BlueskyText(`status`); a lone surrogate counts as a
// cluster of its own and as the three bytes of U+FFFD that replace it.
struct BlueskyLength {
  std::size_t graphemes = 0;
  std::size_t bytes = 0;
  bool Over() const { return graphemes > kBlueskyMostGraphemes || bytes > kBlueskyMostBytes; }
};
BlueskyLength MeasureBluesky(std::u16string_view status);

// The longest start of `status` within both limits that ends where a cluster ends. Linear.
std::u16string CutToBlueskyLimits(std::u16string_view status);

// A link facet: the half-open range of UTF-8 bytes of the text that the address `uri` (a view
// into that text) covers.
struct LinkFacet {
  std::size_t byteStart = 0;
  std::size_t byteEnd = 0;
  std::u16string_view uri;
  friend bool operator==(const LinkFacet&, const LinkFacet&) = default;
};
// One facet for every http:// or https:// address in `text` (as LinkLengthAt finds them), in
// order; offsets count UTF-8 bytes, a lone surrogate as the three bytes of U+FFFD.
std::vector<LinkFacet> LinkFacets(std::u16string_view text);

// A record key: the 13-character timestamp identifier of `microseconds` since 1970 (below
// 2^53) and `clockId` (its low 10 bits), in base-32-sortable letters "234567a-z"; keys of later
// times sort later.
std::u16string Tid(std::uint64_t microseconds, std::uint32_t clockId);

// `unixMilliseconds` as ISO 8601 in UTC with milliseconds: "2026-12-08T15:25:36.042Z".
std::u16string IsoUtcTime(std::uint64_t unixMilliseconds);

// What one post holds besides its text.
// The texts are the caller's, which outlive the post.
struct BlueskyPost {
  std::u16string_view text;       // as the user wrote it (BlueskyText makes what is sent)
  std::u16string_view createdAt;  // IsoUtcTime of the click
  std::u16string_view language;   // a BCP-47 tag; empty for none
  std::u16string_view cardUri;    // the page's address for a link card; empty for no card
  std::u16string_view cardTitle;  // the card's title; the address's host when empty
};

// The body of com.atproto.repo.createRecord: an app.bsky.feed.post record in the repo of
// `did`, with key `rkey`, its text, time, language, link facets and link card. UTF-8 JSON.
std::string PostRecordBody(std::u16string_view did, std::u16string_view rkey,
                           const BlueskyPost& post);

// The address of a post on the web: https://bsky.app/profile/<handle>/post/<key>, the key
// taken from the record's at:// `uri`; nullopt when the handle or the key holds anything but
// letters, digits, '.', '-', '_', ':' and '~', or the uri names no post.
std::optional<std::u16string> PostWebAddress(std::u16string_view handle, std::u16string_view uri);

// An XRPC error reply's "error" and "message", as one line "Error: message" (or either alone),
// bounded like an excerpt; the reply's excerpt when it has neither.
std::u16string XrpcErrorText(std::u16string_view body);
// The string member `name` of the JSON object `body` (e.g. an error reply's "error");
// empty when there is none or `body` is no JSON object.
std::u16string ReplyString(std::u16string_view body, std::u16string_view name);

// A RateLimit-Reset value (whole seconds since 1970) as IsoUtcTime gives it; empty when it is
// not such a number.
std::u16string ResetSecondsTime(std::u16string_view seconds);

}  // namespace poster::web
