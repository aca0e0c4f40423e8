// The exchanges with a Bluesky server (a PDS) over whatever carries a request and its reply:
// the session, the post and the look-up of a post that may have arrived.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "poster/web/web_exchange.h"

namespace poster::web {

// A signed-in session: its tokens (opaque) and the account they belong to.
struct BlueskySession {
  std::u16string accessJwt;
  std::u16string refreshJwt;
  std::u16string handle;
  std::u16string did;
};

// A request for a session and its reply; `session` when the reply is a 200 that holds all four.
struct SessionAnswer {
  std::optional<BlueskySession> session;
  WebReply reply;
};

// com.atproto.server.createSession with the handle (a leading "@" dropped) and app password.
SessionAnswer CreateSession(WebExchange& exchange, std::u16string_view pds,
                            std::u16string_view handle, std::u16string_view password);
// com.atproto.server.refreshSession with the refresh token as Bearer.
SessionAnswer RefreshSession(WebExchange& exchange, std::u16string_view pds,
                             std::u16string_view refreshJwt);
// com.atproto.repo.createRecord with `body` (PostRecordBody) and the access token as Bearer.
WebReply CreateRecord(WebExchange& exchange, std::u16string_view pds, std::u16string_view accessJwt,
                      const std::string& body);
// com.atproto.repo.getRecord of the post `rkey` in the repo of `did`; no token.
WebReply GetPost(WebExchange& exchange, std::u16string_view pds, std::u16string_view did,
                 std::u16string_view rkey);
// Each of these throws platform::Failure when no reply came.

// The server an account's handle lives on: com.atproto.identity.resolveHandle at `entryway`,
// then the DID document's "#atproto_pds" service (did:plc from plc.directory, did:web from its
// host); `entryway` itself when any step gives no answer it can use. Never throws.
std::u16string FindPds(WebExchange& exchange, std::u16string_view entryway,
                       std::u16string_view handle);

}  // namespace poster::web
