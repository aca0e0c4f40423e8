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
  // Prepares the request; it is always synchronous (Send returns with the whole response).
  // `user` and `password`, when given, answer a challenge from the scheme, host and port of
  // `url` exactly as given, and from nowhere else (never a proxy, never a host a redirect
  // names). Throws Failure for an address it refuses, a numeric IPv6 host among them.
  virtual void Open(const std::u16string& method, const std::u16string& url,
                    const std::optional<std::u16string>& user = std::nullopt,
                    const std::optional<std::u16string>& password = std::nullopt) = 0;
  // Adds one request header; only printable ASCII (0x20 to 0x7E) of the name and the value
  // reaches the wire. An Authorization header goes on the first request; for an https:// address
  // through a proxy, inside the tunnel only, never in its CONNECT.
  virtual void SetRequestHeader(const std::u16string& name, const std::u16string& value) = 0;
  // Sends `body` and returns when the whole response has arrived, or its first mebibyte (the
  // rest is dropped). A redirect is followed only within the address's own scheme, host and
  // port. A proxy is offered only the Windows logon, and only the proxy the user chose. A
  // transport failure (refused, unknown host, reset, a redirect elsewhere, a proxy sign-in not
  // given, no web library, no complete answer within the overall deadline) throws Failure; an
  // HTTP error status other than 407 does not. A failure once the request may have gone out
  // (a time-out, a reset or a lost answer after sending began) is marked MayHaveArrived; one
  // before (the name, the connection, the secure channel, the proxy) is not.
  virtual void Send(const std::vector<std::uint8_t>& body) = 0;
  // The response body decoded by its byte-order mark, else by the charset parameter of its
  // Content-Type (UTF-8 when it names none or one the system does not know).
  virtual std::u16string ResponseText() = 0;
  // The final reply's status code (after any redirect followed); 0 before Send has returned.
  virtual int Status() = 0;
  // The value of the final reply's header `name` (any case) with the spaces around it removed;
  // empty when the reply has no such header or Send has not returned.
  virtual std::u16string ResponseHeader(const std::u16string& name) = 0;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // A new request object owned by the caller. Throws Failure when none can be created.
  virtual std::unique_ptr<HttpRequest> CreateRequest() = 0;
  // Gets ready for later requests to `urls`: loads the web library and finds the proxy for each
  // address, so that a request to exactly that address skips both; one that is not a web
  // address is skipped. Blocks while it works (call
  // it away from the window's thread) and may run while requests run on other threads. Never
  // throws and sends nothing to the services: what fails here is done by the request itself, as
  // if nothing had been prepared.
  virtual void Prepare(const std::vector<std::u16string>& urls) = 0;
};

// The running system's HTTP client; lives as long as the program.
HttpClient& SystemHttpClient();

}  // namespace platform
