#include "poster/mastodon/mastodon_client.h"

#include <optional>
#include <utility>

#include "platform/common/failure.h"

namespace poster::web {

StatusLimits FetchStatusLimits(WebExchange& exchange, std::u16string_view server) {
  const std::pair<const char16_t*, std::optional<StatusLimits> (*)(std::u16string_view)> sources[] =
      {{kInstanceV2Path, LimitsFromInstanceV2}, {kInstanceV1Path, LimitsFromInstanceV1}};
  for (const auto& [path, read] : sources) {
    try {
      const WebReply reply = exchange.Exchange({u"GET", MastodonEndpoint(server, path), {}, {}});
      if (reply.status != 200) continue;
      if (const std::optional<StatusLimits> limits = read(reply.body)) return *limits;
    } catch (const platform::Failure&) {
      // A server that does not answer now will not answer the older question either.
      break;
    }
  }
  return kDefaultStatusLimits;
}

MastodonVerdict PostStatus(WebExchange& exchange, std::u16string_view server,
                           std::u16string_view token, std::u16string_view text,
                           std::uint64_t runSeed) {
  const WebReply reply = exchange.Exchange(MastodonStatusRequest(server, token, text, runSeed));
  return JudgeMastodonReply(reply.status, reply.body, reply.rateLimitReset);
}

}  // namespace poster::web
