#include "poster/web/web_exchange.h"

namespace poster::web {

WebReply HttpWebExchange::Exchange(const WebRequest& request) {
  const auto http = http_.CreateRequest();
  http->Open(request.method, request.url);
  for (const auto& [name, value] : request.headers) http->SetRequestHeader(name, value);
  http->Send(request.body);
  WebReply reply;
  reply.status = http->Status();
  reply.body = http->ResponseText();
  reply.rateLimitReset = http->ResponseHeader(u"X-RateLimit-Reset");
  if (reply.rateLimitReset.empty()) reply.rateLimitReset = http->ResponseHeader(u"RateLimit-Reset");
  return reply;
}

}  // namespace poster::web
