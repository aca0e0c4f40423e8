// A recording HTTP fake: every object created, every call with its arguments, scripted replies.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "platform/http.h"

namespace platform::fake {

struct HttpCall {
  // "Open", "SetRequestHeader", "Send", "ResponseText", "Status", "ResponseHeader", "Release"
  std::string name;
  std::vector<std::u16string> args;  // text arguments in order
  std::vector<std::uint8_t> body;    // Send's bytes
};

// What one request object will do.
struct HttpScript {
  std::u16string response;
  std::optional<Failure> failOnSend;  // e.g. a refused connection
  std::optional<Failure> failOnOpen;
  int status = 200;
  std::u16string rawHeaders;  // "Name: value\r\n" each, as the reply's header block
};

class FakeHttpClient : public HttpClient {
 public:
  std::unique_ptr<HttpRequest> CreateRequest() override;
  void Prepare(const std::vector<std::u16string>& urls) override { prepared.push_back(urls); }

  // Scripts for the next objects, in order; an object without a script answers "".
  std::deque<HttpScript> scripts;
  std::optional<Failure> failOnCreate;
  // calls[i] is the history of the i-th object created.
  std::vector<std::vector<HttpCall>> calls;
  int alive = 0;                                      // objects created and not yet released
  std::vector<std::vector<std::u16string>> prepared;  // each Prepare's addresses
  // Runs inside Send, while the request is "on the wire".
  std::function<void()> duringSend;
};

}  // namespace platform::fake
