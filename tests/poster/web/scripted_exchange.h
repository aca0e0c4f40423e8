// An exchange that answers from a script, one reply (or failure) per request, and records each.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "poster/web/web_exchange.h"

namespace poster::web {

class ScriptedExchange : public WebExchange {
 public:
  // A missing reply times out; nullopt refuses the connection.
  WebReply Exchange(const WebRequest& request) override {
    sent.push_back(request);
    if (replies.empty()) throw platform::Failure(12002, u"The operation timed out.");
    std::optional<WebReply> reply = replies.front();
    replies.pop_front();
    if (!reply) throw platform::Failure(12029, u"A connection could not be made.");
    return *reply;
  }
  // The body of request `i` as text.
  std::u16string Body(std::size_t i) const {
    return std::u16string(sent.at(i).body.begin(), sent.at(i).body.end());
  }
  std::deque<std::optional<WebReply>> replies;
  std::vector<WebRequest> sent;
};

}  // namespace poster::web
