// The exchanges with a Mastodon-compatible server, over whatever carries a request and its
// reply: the limits the server publishes, and posting a status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "poster/mastodon/mastodon.h"
#include "poster/mastodon/mastodon_texts.h"
#include "poster/web/web_exchange.h"

namespace poster::web {

// The server's limits: from GET /api/v2/instance, else /api/v1/instance, else the defaults.
// Without credentials. Never throws: a server that cannot be asked has the default limits.
StatusLimits FetchStatusLimits(WebExchange& exchange, std::u16string_view server);

// Posts `text` with `token` and judges the reply. Throws platform::Failure when no reply came.
MastodonVerdict PostStatus(WebExchange& exchange, std::u16string_view server,
                           std::u16string_view token, std::u16string_view text,
                           std::uint64_t runSeed);

}  // namespace poster::web
