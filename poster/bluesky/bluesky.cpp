#include "poster/bluesky/bluesky.h"

#include "platform/common/graphemes.h"
#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/mastodon/mastodon.h"
#include "poster/web/json_reader.h"
#include "poster/web/json_writer.h"
#include "poster/web/reply_rules.h"

namespace poster::web {
namespace {

std::size_t Utf8Bytes(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

std::size_t Utf8Length(std::u16string_view text) {
  std::size_t bytes = 0;
  for (std::size_t at = 0; at < text.size();) {
    const platform::CodePoint point = platform::CodePointAt(text, at);
    bytes += Utf8Bytes(point.value);
    at += point.units;
  }
  return bytes;
}

// Counts `status` as sent into `length`; when `cut`, stops at the first cluster past a limit
// and returns where it starts. Returns the text's length when nothing is past a limit.
std::size_t Measure(std::u16string_view status, BlueskyLength& length, bool cut) {
  platform::GraphemeBreaker breaker;
  std::size_t clusterStart = 0;
  for (std::size_t at = 0; at < status.size();) {
    const platform::CodePoint point = platform::CodePointAt(status, at);
    if (breaker.StartsCluster(point.value)) {
      clusterStart = at;
      ++length.graphemes;
    }
    // A CR before an LF is dropped from the text as sent.
    const bool dropped = status[at] == u'\r' && at + 1 < status.size() && status[at + 1] == u'\n';
    if (!dropped) length.bytes += Utf8Bytes(point.value);
    if (cut && length.Over()) return clusterStart;
    at += point.units;
  }
  return status.size();
}

bool IsKeyCharacter(char16_t c) {
  const char16_t lower = platform::AsciiLower(c);
  return (lower >= u'a' && lower <= u'z') || (c >= u'0' && c <= u'9') ||
         std::u16string_view(u".-_:~").find(c) != std::u16string_view::npos;
}

bool IsKeyText(std::u16string_view text) {
  for (char16_t c : text) {
    if (!IsKeyCharacter(c)) return false;
  }
  return !text.empty();
}

void WriteFacets(std::string& body, const std::vector<LinkFacet>& facets) {
  body += ",\"facets\":[";
  for (const LinkFacet& facet : facets) {
    if (&facet != &facets.front()) body += ',';
    body += "{\"index\":{\"byteStart\":";
    AppendJsonNumber(body, facet.byteStart);
    body += ",\"byteEnd\":";
    AppendJsonNumber(body, facet.byteEnd);
    AppendJson(body, {{"},\"features\":[{\"$type\":\"app.bsky.richtext.facet#link\",\"uri\":",
                       facet.uri}});
    body += "}]}";
  }
  body += ']';
}

void WriteCard(std::string& body, const BlueskyPost& post) {
  const std::optional<platform::WebUrl> page = platform::ParseWebUrl(post.cardUri);
  if (!page) return;
  AppendJson(
      body,
      {{",\"embed\":{\"$type\":\"app.bsky.embed.external\",\"external\":{\"uri\":", post.cardUri},
       {",\"title\":", post.cardTitle.empty() ? std::u16string_view(page->host) : post.cardTitle}});
  body += ",\"description\":\"\"}}";
}

}  // namespace

std::u16string BlueskyText(std::u16string_view status) {
  std::u16string text;
  for (std::size_t i = 0; i < status.size(); ++i) {
    if (status[i] != u'\r') {
      text += status[i];
    } else if (i + 1 == status.size() || status[i + 1] != u'\n') {
      text += u'\n';
    }
  }
  return text;
}

BlueskyLength MeasureBluesky(std::u16string_view status) {
  BlueskyLength length;
  Measure(status, length, false);
  return length;
}

std::u16string CutToBlueskyLimits(std::u16string_view status) {
  BlueskyLength length;
  return std::u16string(status.substr(0, Measure(status, length, true)));
}

std::vector<LinkFacet> LinkFacets(std::u16string_view text) {
  std::vector<LinkFacet> facets;
  std::size_t bytes = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t link = LinkLengthAt(text, at)) {
      const std::u16string_view uri = text.substr(at, link);
      facets.push_back({bytes, bytes + Utf8Length(uri), uri});
      bytes = facets.back().byteEnd;
      at += link;
      continue;
    }
    const platform::CodePoint point = platform::CodePointAt(text, at);
    bytes += Utf8Bytes(point.value);
    at += point.units;
  }
  return facets;
}

std::u16string Tid(std::uint64_t microseconds, std::uint32_t clockId) {
  std::uint64_t value = ((microseconds & ((std::uint64_t{1} << 53) - 1)) << 10) | (clockId & 0x3FF);
  std::u16string tid(13, u'2');
  for (std::size_t i = 13; i-- > 0; value >>= 5)
    tid[i] = u"234567abcdefghijklmnopqrstuvwxyz"[value & 31];
  return tid;
}

std::u16string IsoUtcTime(std::uint64_t unixMilliseconds) {
  // Days to a civil date, counted in 400-year eras from 0000-03-01 (H. Hinnant's method).
  // 32-bit arithmetic past the first division: the 64-bit kind is a library call on x86.
  const auto days = static_cast<std::uint32_t>(unixMilliseconds / 86400000 + 719468);
  const auto inDay = static_cast<std::uint32_t>(unixMilliseconds % 86400000);
  const std::uint32_t era = days / 146097;
  const std::uint32_t dayOfEra = days - era * 146097;
  const std::uint32_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::uint32_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::uint32_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::uint32_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::uint32_t year = yearOfEra + era * 400 + (month <= 2);
  const std::uint32_t fields[] = {
      year, month, day, inDay / 3600000, inDay / 60000 % 60, inDay / 1000 % 60, inDay % 1000};
  char16_t out[] = u"0000-00-00T00:00:00.000Z";
  constexpr int kEnds[] = {4, 7, 10, 13, 16, 19, 23};  // where each field's digits end
  for (int i = 0; i < 7; ++i) {
    std::uint32_t value = fields[i];
    for (int at = kEnds[i]; at-- > kEnds[i] - (i == 0 ? 4 : i == 6 ? 3 : 2); value /= 10) {
      out[at] = static_cast<char16_t>(u'0' + value % 10);
    }
  }
  return out;
}

std::string PostRecordBody(std::u16string_view did, std::u16string_view rkey,
                           const BlueskyPost& post) {
  const std::u16string text = BlueskyText(post.text);
  std::string body;
  AppendJson(body, {{"{\"repo\":", did},
                    {",\"collection\":\"app.bsky.feed.post\",\"rkey\":", rkey},
                    {",\"record\":{\"$type\":\"app.bsky.feed.post\",\"text\":", text},
                    {",\"createdAt\":", post.createdAt}});
  if (!post.language.empty()) {
    AppendJson(body, {{",\"langs\":[", post.language}});
    body += ']';
  }
  if (const std::vector<LinkFacet> facets = LinkFacets(text); !facets.empty()) {
    WriteFacets(body, facets);
  }
  if (!post.cardUri.empty()) WriteCard(body, post);
  body += "}}";
  return body;
}

std::optional<std::u16string> PostWebAddress(std::u16string_view handle, std::u16string_view uri) {
  constexpr std::u16string_view kCollection = u"/app.bsky.feed.post/";
  const std::size_t at = uri.find(kCollection);
  if (!uri.starts_with(u"at://") || at == std::u16string_view::npos) return std::nullopt;
  const std::u16string_view key = uri.substr(at + kCollection.size());
  if (!IsKeyText(handle) || !IsKeyText(key)) return std::nullopt;
  return platform::Joined({u"https://bsky.app/profile/", handle, u"/post/", key});
}

std::u16string ReplyString(std::u16string_view body, std::u16string_view name) {
  const std::optional<JsonObject> json = JsonObject::Parse(body);
  return json ? json->StringAt({name}).value_or(u"") : u"";
}

std::u16string XrpcErrorText(std::u16string_view body) {
  const std::u16string error = ReplyString(body, u"error");
  const std::u16string message = ReplyString(body, u"message");
  if (error.empty() && message.empty()) return ReplyExcerpt(body);
  const std::u16string_view colon = error.empty() || message.empty() ? u"" : u": ";
  return ReplyExcerpt(platform::Joined({error, colon, message}));
}

std::u16string ResetSecondsTime(std::u16string_view seconds) {
  std::uint64_t value = 0;
  for (char16_t c : seconds) {
    if (c < u'0' || c > u'9' || value > 100000000000) return {};
    value = value * 10 + (c - u'0');
  }
  return seconds.empty() ? std::u16string() : IsoUtcTime(value * 1000);
}

}  // namespace poster::web
