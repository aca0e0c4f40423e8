// The Mastodon client API as Lumora uses it: the server's limits, the counting rule, the
// request's idempotency key and the verdict on a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace poster::web {

// `path` (starting with "/") under a server address that may end in "/".
std::u16string MastodonEndpoint(std::u16string_view server, std::u16string_view path);
inline constexpr char16_t kStatusesPath[] = u"/api/v1/statuses";
inline constexpr char16_t kInstanceV2Path[] = u"/api/v2/instance";
inline constexpr char16_t kInstanceV1Path[] = u"/api/v1/instance";

// How long a status may be, and what each link counts, as the server publishes it.
struct StatusLimits {
  std::size_t maxCharacters = 500;
  std::size_t charactersPerUrl = 23;
  friend bool operator==(const StatusLimits&, const StatusLimits&) = default;
};
// The limits a server that does not say is taken to have.
inline constexpr StatusLimits kDefaultStatusLimits{};
// A published limit above this is taken as a mistake and the default used.
inline constexpr std::size_t kHighestStatusLimit = 1000000;

// The limits in a reply to GET /api/v2/instance (configuration.statuses.max_characters and
// characters_reserved_per_url, the latter defaulting to 23); nullopt when the reply has no
// usable max_characters.
std::optional<StatusLimits> LimitsFromInstanceV2(std::u16string_view reply);
// The limit in a reply to GET /api/v1/instance (max_toot_chars, links 23); nullopt likewise.
std::optional<StatusLimits> LimitsFromInstanceV1(std::u16string_view reply);

// The length of the http:// or https:// link (any case, up to white space, less trailing
// punctuation and unmatched closing brackets) starting at `at`, or 0 when none starts there.
// The work is bounded by the link's own length, so that a walk over a text stays linear.
std::size_t LinkLengthAt(std::u16string_view text, std::size_t at);

// The length the server counts for `text`: Unicode extended grapheme clusters (an emoji with its
// skin tone, or e with a combining accent, is one; a lone surrogate is a code point of its own),
// where every http:// or https:// link (any case, up to white space, less trailing punctuation)
// stands as `charactersPerUrl` letters whatever its own length. Linear in the text.
std::size_t MastodonLength(std::u16string_view text, std::size_t charactersPerUrl);

// The longest start of `text` that MastodonLength counts within `limits`, ending where a
// grapheme cluster of `text` ends (never inside a cluster or a surrogate pair). Linear.
std::u16string CutToLimit(std::u16string_view text, const StatusLimits& limits);

// The Idempotency-Key for posting `text` in the run identified by `runSeed`: the same for the
// same text and seed, different for another text (or seed) but for a 64-bit hash collision.
// Printable ASCII, 40 characters.
std::u16string IdempotencyKey(std::uint64_t runSeed, std::u16string_view text);

// What the server's reply to POST /api/v1/statuses means.
struct MastodonVerdict {
  enum class Kind {
    kPublished,  // 200 with a JSON object whose "id" is a string
    kRefused,    // 401, 403, 422, 429 or 5xx with a JSON object whose "error" is a string
    kOther,      // anything else: `text` is the reply's bounded excerpt
  };
  Kind kind = Kind::kOther;
  // kPublished: the post's "url" (empty when the server gave none); kRefused: the server's
  // "error" text, bounded like an excerpt; kOther: the excerpt.
  std::u16string text;
  // For 429 only: when to try again, as a sentence ("Try again after 20:05 UTC." or a
  // general one when X-RateLimit-Reset is absent or unreadable); empty otherwise.
  std::u16string retry;
};

MastodonVerdict JudgeMastodonReply(int status, std::u16string_view body,
                                   std::u16string_view rateLimitReset);

// The ISO 8601 time in an X-RateLimit-Reset value ("2026-12-07T20:05:00.000Z") as
// "20:05 UTC on 2026-12-07"; nullopt when the value is not such a time in UTC.
std::optional<std::u16string> ResetTimeText(std::u16string_view rateLimitReset);
// When to try again after a 429, as MastodonVerdict::retry says it, from such a value.
std::u16string RetrySentence(std::u16string_view rateLimitReset);

}  // namespace poster::web
