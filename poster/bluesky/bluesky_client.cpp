#include "poster/bluesky/bluesky_client.h"

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/bluesky/bluesky.h"
#include "poster/web/form_encoding.h"
#include "poster/web/json_reader.h"
#include "poster/web/json_writer.h"

namespace poster::web {
namespace {

std::u16string Xrpc(std::u16string_view server, std::u16string_view method) {
  while (server.ends_with(u'/')) server.remove_suffix(1);
  return platform::Joined({server, u"/xrpc/", method});
}

WebReply Post(WebExchange& exchange, std::u16string_view pds, std::u16string_view method,
              std::u16string_view token, const std::string& body) {
  WebRequest request{u"POST", Xrpc(pds, method), {}, {body.begin(), body.end()}};
  if (!token.empty())
    request.headers.push_back({u"Authorization", platform::Joined({u"Bearer ", token})});
  if (!body.empty()) request.headers.push_back({u"Content-Type", u"application/json"});
  return exchange.Exchange(request);
}

WebReply Get(WebExchange& exchange, std::u16string url) {
  return exchange.Exchange({u"GET", std::move(url), {}, {}});
}

SessionAnswer Answer(WebReply reply) {
  SessionAnswer answer{std::nullopt, std::move(reply)};
  if (answer.reply.status != 200) return answer;
  BlueskySession session;
  std::u16string BlueskySession::*const fields[] = {&BlueskySession::accessJwt,
                                                    &BlueskySession::refreshJwt,
                                                    &BlueskySession::handle, &BlueskySession::did};
  const char16_t* const names[] = {u"accessJwt", u"refreshJwt", u"handle", u"did"};
  for (int i = 0; i < 4; ++i) {
    session.*fields[i] = ReplyString(answer.reply.body, names[i]);
    if ((session.*fields[i]).empty()) return answer;
  }
  answer.session = std::move(session);
  return answer;
}

}  // namespace

SessionAnswer CreateSession(WebExchange& exchange, std::u16string_view pds,
                            std::u16string_view handle, std::u16string_view password) {
  if (handle.starts_with(u'@')) handle.remove_prefix(1);
  std::string body;
  AppendJson(body, {{"{\"identifier\":", handle}, {",\"password\":", password}});
  body += '}';
  return Answer(Post(exchange, pds, u"com.atproto.server.createSession", {}, body));
}

SessionAnswer RefreshSession(WebExchange& exchange, std::u16string_view pds,
                             std::u16string_view refreshJwt) {
  return Answer(Post(exchange, pds, u"com.atproto.server.refreshSession", refreshJwt, {}));
}

WebReply CreateRecord(WebExchange& exchange, std::u16string_view pds, std::u16string_view accessJwt,
                      const std::string& body) {
  return Post(exchange, pds, u"com.atproto.repo.createRecord", accessJwt, body);
}

WebReply GetPost(WebExchange& exchange, std::u16string_view pds, std::u16string_view did,
                 std::u16string_view rkey) {
  return Get(exchange,
             platform::Joined({Xrpc(pds, u"com.atproto.repo.getRecord?repo="), FormEncode(did),
                               u"&collection=app.bsky.feed.post&rkey=", FormEncode(rkey)}));
}

std::u16string FindPds(WebExchange& exchange, std::u16string_view entryway,
                       std::u16string_view handle) {
  if (handle.starts_with(u'@')) handle.remove_prefix(1);
  try {
    const WebReply resolved = Get(
        exchange, platform::Joined({Xrpc(entryway, u"com.atproto.identity.resolveHandle?handle="),
                                    FormEncode(handle)}));
    const std::u16string did =
        resolved.status == 200 ? ReplyString(resolved.body, u"did") : std::u16string();
    std::u16string document;
    if (did.starts_with(u"did:plc:")) document = platform::Joined({u"https://plc.directory/", did});
    if (did.starts_with(u"did:web:")) {
      document = platform::Joined(
          {u"https://", std::u16string_view(did).substr(8), u"/.well-known/did.json"});
    }
    const auto url = document.empty() ? std::nullopt : platform::ParseWebUrl(document);
    if (!url || url->explicitPort) return std::u16string(entryway);
    const WebReply found = Get(exchange, document);
    const std::optional<JsonObject> json = JsonObject::Parse(found.body);
    const std::optional<std::u16string> pds =
        found.status == 200 && json
            ? json->StringInList(u"service", u"id", u"#atproto_pds", u"serviceEndpoint")
            : std::nullopt;
    // The tokens go only where https:// takes them.
    if (pds && platform::StartsWithAsciiNoCase(*pds, u"https://") && platform::ParseWebUrl(*pds)) {
      return *pds;
    }
  } catch (const platform::Failure&) {
    // The entryway itself then: it knows the accounts it hosts.
  }
  return std::u16string(entryway);
}

}  // namespace poster::web
