// The HTTP object that a form POST drives: created anew for each request, released after it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One request. Destroying the object releases it and everything it holds.
class HttpRequest {
 public:
  virtual ~HttpRequest() = default;
  // Prepares the request. `user` and `password`, when given, answer the server's
  // authentication challenge exactly as given. Throws Failure for an address it refuses.
  virtual void Open(const std::u16string& method, const std::u16string& url, bool async,
                    const std::optional<std::u16string>& user = std::nullopt,
                    const std::optional<std::u16string>& password = std::nullopt) = 0;
  // Adds one request header; control characters in the value never reach the wire.
  virtual void SetRequestHeader(const std::u16string& name, const std::u16string& value) = 0;
  // Sends `body` and returns when the whole response has arrived. A transport failure
  // (refused, unknown host, time-out, reset) throws Failure; an HTTP error status does not.
  virtual void Send(const std::vector<std::uint8_t>& body) = 0;
  // The response body decoded by the charset the response names (UTF-8 when it names none).
  virtual std::u16string ResponseText() = 0;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // A new request object owned by the caller. Throws Failure when none can be created.
  virtual std::unique_ptr<HttpRequest> CreateRequest() = 0;
};

}  // namespace platform
