// One request and its reply over whatever carries them, shared by every service that speaks a
// web API: the request, the reply as the verdict rules need it, and the exchange over HTTP.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/http.h"

namespace poster::web {

// The whole request, ready for the HTTP seam.
struct WebRequest {
  std::u16string method;
  std::u16string url;
  std::vector<std::pair<std::u16string, std::u16string>> headers;  // in the order sent
  std::vector<std::uint8_t> body;
};

// A reply as the verdict rules need it.
struct WebReply {
  int status = 0;
  std::u16string body;  // decoded as the reply's charset says
  // The X-RateLimit-Reset value, else the RateLimit-Reset value; empty when both are absent.
  std::u16string rateLimitReset;
};

// Sends one request and returns its reply, whatever its status; throws platform::Failure when
// no reply arrives (the same deadline, redirect, proxy and TLS rules as every request).
class WebExchange {
 public:
  virtual ~WebExchange() = default;
  virtual WebReply Exchange(const WebRequest& request) = 0;
};

// The exchange over the HTTP seam: one new request object per exchange, released before
// Exchange returns. The request carries exactly the headers given, no account.
class HttpWebExchange : public WebExchange {
 public:
  explicit HttpWebExchange(platform::HttpClient& http) : http_(http) {}
  WebReply Exchange(const WebRequest& request) override;

 private:
  platform::HttpClient& http_;
};

}  // namespace poster::web
