// What the window says and sends when it posts to a Mastodon-compatible server: its words, the
// counter, the boxes, and the status request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "poster/mastodon/mastodon.h"
#include "poster/status_service.h"
#include "poster/text_rules.h"
#include "poster/web/web_exchange.h"

namespace poster::web {

// The words that replace the classic window's captions naming Twitter, a tweet or a password;
// no bound on typing (the server's counter sets it).
WindowWords MastodonWindowWords();

// The counter for `text` against the server's limits: its count, yellow; dark red past the
// limit, with a note naming the limit.
CounterLook MastodonCounterFor(std::u16string_view text, const StatusLimits& limits);
// The counter for a text of `count` characters: yellow; dark red when `over`, with a note naming
// the limit (`limit`, e.g. "500").
CounterLook CounterLookFor(std::size_t count, bool over, std::u16string_view limit);

// A message box's title and text.
using BoxText = Notice;

// Why a post cannot be sent as it stands, before anything is sent ("Whoops!" boxes, with a
// beep); empty title when `token` and `status` (both trimmed) can be sent.
BoxText MastodonInputProblem(std::u16string_view token, std::u16string_view status,
                             const StatusLimits& limits, std::u16string_view statusName);
// The boxes for an empty post, which may hold 1 to `most` characters ("500"), and for one past
// `statusName`'s limit, which it must be within (`within`: "500 characters").
BoxText EmptyPostBox(std::u16string_view most);
BoxText TooLongPostBox(std::u16string_view within, std::u16string_view statusName);

// The longest published address a box shows, in code units.
inline constexpr std::size_t kLongestShownPostAddress = 200;

// The box for a verdict on the server's reply from `server` (the configured server address).
// A published post's address is shown only when it is an http:// or https:// address on the
// server's own host (ASCII case ignored), at most kLongestShownPostAddress code units of
// printable characters; otherwise the box says the post was published, without it.
BoxText MastodonVerdictBox(const MastodonVerdict& verdict, std::u16string_view statusName,
                           std::u16string_view server);

// The box for a post that never got an answer (`reason` is the transport's own description).
BoxText MastodonUnsentBox(std::u16string_view reason);

// The box for a post whose answer was lost after it went out to `server`: it may have arrived.
BoxText MastodonMaybeSentBox(std::u16string_view reason, std::u16string_view server);

// The question before an edited text is sent after a post to `server` that may have arrived.
BoxText MastodonEditedAfterMaybeSentQuestion(std::u16string_view server);

// POST <server>/api/v1/statuses with the token as Bearer, the form body status=<text> (UTF-8,
// percent-encoded) and the Idempotency-Key for this text in this run.
WebRequest MastodonStatusRequest(std::u16string_view server, std::u16string_view token,
                                 std::u16string_view text, std::uint64_t runSeed);

}  // namespace poster::web
