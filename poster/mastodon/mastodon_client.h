// The exchanges with a Mastodon-compatible server, over whatever carries a request and its
// reply: the limits the server publishes, and posting a status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "poster/mastodon/mastodon.h"
#include "poster/mastodon/mastodon_texts.h"

namespace poster::web {

// A reply as the verdict rules need it.
struct WebReply {
  int status = 0;
  std::u16string body;            // decoded as the reply's charset says
  std::u16string rateLimitReset;  // the X-RateLimit-Reset value, empty when absent
};

// Sends one request and returns its reply, whatever its status; throws platform::Failure when
// no reply arrives (the same deadline, redirect, proxy and TLS rules as every request).
class WebExchange {
 public:
  virtual ~WebExchange() = default;
  virtual WebReply Exchange(const StatusRequest& request) = 0;
};

// The exchange over the HTTP seam: one new request object per exchange, released before
// Exchange returns. The request carries exactly the headers given, no account.
class HttpWebExchange : public WebExchange {
 public:
  explicit HttpWebExchange(platform::HttpClient& http) : http_(http) {}
  WebReply Exchange(const StatusRequest& request) override;

 private:
  platform::HttpClient& http_;
};

// The server's limits: from GET /api/v2/instance, else /api/v1/instance, else the defaults.
// Without credentials. Never throws: a server that cannot be asked has the default limits.
StatusLimits FetchStatusLimits(WebExchange& exchange, std::u16string_view server);

// Posts `text` with `token` and judges the reply. Throws platform::Failure when no reply came.
MastodonVerdict PostStatus(WebExchange& exchange, std::u16string_view server,
                           std::u16string_view token, std::u16string_view text,
                           std::uint64_t runSeed);

}  // namespace poster::web
