#include "poster/mastodon/mastodon.h"

#include "platform/common/graphemes.h"
#include "platform/common/text.h"
#include "poster/text_rules.h"
#include "poster/web/json_reader.h"
#include "poster/web/reply_rules.h"

namespace poster::web {
namespace {

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

bool IsAsciiAlphanumeric(char16_t c) {
  const char16_t lower = platform::AsciiLower(c);
  return (c >= u'0' && c <= u'9') || (lower >= u'a' && lower <= u'z');
}

// Punctuation that ends a sentence rather than a link ("see https://a.example.").
bool IsTrailingPunctuation(char16_t c) {
  return std::u16string_view(u".,:;!?'\"").find(c) != std::u16string_view::npos;
}

}  // namespace

std::size_t LinkLengthAt(std::u16string_view text, std::size_t at) {
  if (at > 0 && IsAsciiAlphanumeric(text[at - 1])) return 0;
  const std::u16string_view rest = text.substr(at);
  std::size_t scheme = 0;
  if (platform::StartsWithAsciiNoCase(rest, u"http://")) {
    scheme = 7;
  } else if (platform::StartsWithAsciiNoCase(rest, u"https://")) {
    scheme = 8;
  } else {
    return 0;
  }
  // A scheme with nothing after it is text, not a link.
  if (scheme == rest.size() || !IsAsciiAlphanumeric(rest[scheme])) return 0;
  std::size_t end = scheme;
  while (end < rest.size() && !IsWhiteSpace(rest[end])) ++end;
  std::size_t opened = 0;
  std::size_t closed = 0;
  for (std::size_t i = scheme; i < end; ++i) {
    opened += rest[i] == u'(';
    closed += rest[i] == u')';
  }
  // A closing bracket belongs to the link only while it matches one the link opened.
  while (IsTrailingPunctuation(rest[end - 1]) || (rest[end - 1] == u')' && closed > opened)) {
    closed -= rest[end - 1] == u')';
    --end;
  }
  return end;
}

namespace {

// The server's count, kept while walking a text: it counts clusters in the text with every link
// replaced by `perUrl` letters.
struct ServerCount {
  std::size_t perUrl = 0;
  std::size_t count = 0;
  platform::GraphemeBreaker breaker;

  void AddCodePoint(char32_t codePoint) { count += breaker.StartsCluster(codePoint); }
  void AddLink() {
    if (perUrl > 0) count += breaker.StartsCluster(u'x') + perUrl - 1;
  }
};

std::u16string Hex(std::uint64_t value) {
  std::u16string out(16, u'0');
  for (std::size_t i = 16; i-- > 0; value >>= 4) {
    out[i] = u"0123456789abcdef"[value & 0xF];
  }
  return out;
}

std::uint64_t Fnv1a(std::uint64_t seed, std::u16string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ULL ^ seed;
  for (char16_t c : text) {
    for (int shift : {0, 8}) {
      hash ^= static_cast<std::uint8_t>(c >> shift);
      hash *= 0x100000001b3ULL;
    }
  }
  return hash;
}

bool IsRefusalStatus(int status) {
  return status == 401 || status == 403 || status == 422 || status == 429 ||
         (status >= 500 && status <= 599);
}

}  // namespace

std::u16string MastodonEndpoint(std::u16string_view server, std::u16string_view path) {
  while (server.ends_with(u'/')) server.remove_suffix(1);
  return platform::Joined({server, path});
}

std::optional<StatusLimits> LimitsFromInstanceV2(std::u16string_view reply) {
  const std::optional<JsonObject> json = JsonObject::Parse(reply);
  if (!json) return std::nullopt;
  const auto most =
      json->WholeNumberAt({u"configuration", u"statuses", u"max_characters"}, kHighestStatusLimit);
  if (!most || *most == 0) return std::nullopt;
  StatusLimits limits;
  limits.maxCharacters = static_cast<std::size_t>(*most);
  if (const auto perUrl = json->WholeNumberAt(
          {u"configuration", u"statuses", u"characters_reserved_per_url"}, kHighestStatusLimit)) {
    limits.charactersPerUrl = static_cast<std::size_t>(*perUrl);
  }
  return limits;
}

std::optional<StatusLimits> LimitsFromInstanceV1(std::u16string_view reply) {
  const std::optional<JsonObject> json = JsonObject::Parse(reply);
  if (!json) return std::nullopt;
  const auto most = json->WholeNumberAt({u"max_toot_chars"}, kHighestStatusLimit);
  if (!most || *most == 0) return std::nullopt;
  StatusLimits limits;
  limits.maxCharacters = static_cast<std::size_t>(*most);
  return limits;
}

std::size_t MastodonLength(std::u16string_view text, std::size_t charactersPerUrl) {
  ServerCount server{charactersPerUrl};
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t link = LinkLengthAt(text, at)) {
      server.AddLink();
      at += link;
      continue;
    }
    const platform::CodePoint point = platform::CodePointAt(text, at);
    server.AddCodePoint(point.value);
    at += point.units;
  }
  return server.count;
}

std::u16string CutToLimit(std::u16string_view text, const StatusLimits& limits) {
  // One walk: the count only grows outside links, so the first place it is over ends the walk.
  ServerCount server{limits.charactersPerUrl};
  platform::GraphemeBreaker shown;  // the text's own clusters, which a cut never splits
  std::size_t cut = 0;
  std::size_t linkEnd = 0;
  for (std::size_t at = 0; at < text.size();) {
    const platform::CodePoint point = platform::CodePointAt(text, at);
    const bool boundary = shown.StartsCluster(point.value);
    if (at >= linkEnd) {
      if (server.count > limits.maxCharacters) return std::u16string(text.substr(0, cut));
      if (boundary) cut = at;
      if (const std::size_t link = LinkLengthAt(text, at)) {
        // Cut inside the link, what is left of it is its scheme's start, counted as text.
        ServerCount asText = server;
        const std::size_t scheme = text[at + 4] == u':' ? 7 : 8;
        for (std::size_t i = at; i < at + scheme; ++i) {
          asText.AddCodePoint(text[i]);
          if (asText.count <= limits.maxCharacters) cut = i + 1;
        }
        server.AddLink();
        linkEnd = at + link;
      } else {
        server.AddCodePoint(point.value);
      }
    }
    at += point.units;
  }
  return std::u16string(server.count > limits.maxCharacters ? text.substr(0, cut) : text);
}

std::u16string IdempotencyKey(std::uint64_t runSeed, std::u16string_view text) {
  const std::u16string first = Hex(Fnv1a(runSeed, text));
  const std::u16string second = Hex(Fnv1a(~runSeed, text));
  return platform::Joined({u"lumora-", Hex(runSeed), u"-", std::u16string_view(first).substr(8),
                           std::u16string_view(second).substr(0, 8)});
}

MastodonVerdict JudgeMastodonReply(int status, std::u16string_view body,
                                   std::u16string_view rateLimitReset) {
  MastodonVerdict verdict;
  if (status == 429) verdict.retry = RetrySentence(rateLimitReset);
  const std::optional<JsonObject> json = JsonObject::Parse(body);
  if (json && status == 200 && json->StringAt({u"id"})) {
    verdict.kind = MastodonVerdict::Kind::kPublished;
    verdict.text = json->StringAt({u"url"}).value_or(u"");
    return verdict;
  }
  if (json && IsRefusalStatus(status)) {
    if (auto error = json->StringAt({u"error"})) {
      verdict.kind = MastodonVerdict::Kind::kRefused;
      verdict.text = ReplyExcerpt(*error);
      return verdict;
    }
  }
  verdict.text = ReplyExcerpt(body);
  return verdict;
}

std::optional<std::u16string> ResetTimeText(std::u16string_view text) {
  const std::u16string trimmed = TrimSpaces(text);
  const std::u16string_view value = trimmed;
  // YYYY-MM-DDTHH:MM, then anything (seconds, fraction, zone); the servers send UTC. In the
  // shape, 0 stands for any digit and T for "T", "t" or a space.
  constexpr std::u16string_view kShape = u"0000-00-00T00:00";
  if (value.size() < kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const char16_t c = value[i];
    const bool fits = kShape[i] == u'0'   ? c >= u'0' && c <= u'9'
                      : kShape[i] == u'T' ? c == u'T' || c == u't' || c == u' '
                                          : c == kShape[i];
    if (!fits) return std::nullopt;
  }
  // The servers send UTC; a time in another zone would be shown wrongly, so it is not shown.
  const std::u16string_view zone = value.substr(16);
  if (!zone.empty() && !zone.ends_with(u'Z') && !zone.ends_with(u'z') &&
      !zone.ends_with(u"+00:00") && !zone.ends_with(u"+0000")) {
    return std::nullopt;
  }
  return platform::Joined({value.substr(11, 5), u" UTC on ", value.substr(0, 10)});
}

std::u16string RetrySentence(std::u16string_view rateLimitReset) {
  if (const auto when = ResetTimeText(rateLimitReset)) {
    return platform::Joined({u"Try again after ", *when, u"."});
  }
  return u"Wait a few minutes before you try again.";
}

}  // namespace poster::web
