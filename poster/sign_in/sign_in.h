// Signing in to a Mastodon-compatible server in the user's browser: the server's address, the
// app's registration, the authorize address, the callback, the token and the account.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/secret_store.h"
#include "platform/settings.h"
#include "poster/web/web_exchange.h"

namespace poster::sign_in {

// The redirect the listener answers (the server ignores the port of a loopback address) and
// the one whose code the server shows for the user to paste.
inline constexpr char16_t kLoopbackRedirect[] = u"http://127.0.0.1/callback";
inline constexpr char16_t kPastedCodeRedirect[] = u"urn:ietf:wg:oauth:2.0:oob";
// Both, as registered with the server (one per line).
inline constexpr char16_t kRegisteredRedirects[] =
    u"http://127.0.0.1/callback\nurn:ietf:wg:oauth:2.0:oob";

// Every step below throws platform::Failure with a sentence for the user's box when it cannot
// go on; nothing is stored by a step that throws.

// The server's https:// origin ("https://social.example") from what the user typed:
// "social.example", "https://social.example/" or "@alice@social.example". An http:// address,
// a path, a port-less junk or an empty box is refused.
std::u16string ServerOrigin(std::u16string_view typed);

// Lumora's registration with one server; not a secret on a desktop, kept in the settings.
struct Client {
  std::u16string id;
  std::u16string secret;
  std::u16string scopes;  // as registered, space-separated
};

// The registration kept for `origin`, else a new one from POST /api/v1/apps (scopes
// "write:statuses profile", or "write:statuses read:accounts" from a server that refuses the
// first), kept in `settings`. `again` registers anew whatever is kept.
Client Registration(web::WebExchange& exchange, platform::Settings& settings,
                    std::u16string_view origin, bool again = false);

// Where the browser goes: /oauth/authorize with the code flow, `state` and the S256 challenge
// of `verifier`.
std::u16string AuthorizeAddress(std::u16string_view origin, const Client& client,
                                std::u16string_view redirect, std::u16string_view state,
                                std::u16string_view verifier);

// The code in the request target the listener received ("/callback?code=...&state=..."):
// refused when it is not the callback, when its state is not `state`, when it carries an
// error (the user said no) or no code.
std::u16string CallbackCode(std::u16string_view target, std::u16string_view state);

// The token from POST /oauth/token for `code`. A server that no longer knows the client
// (invalid_client) has its registration forgotten, to be made anew at the next sign-in.
std::u16string ExchangeCode(web::WebExchange& exchange, platform::Settings& settings,
                            std::u16string_view origin, const Client& client,
                            std::u16string_view redirect, std::u16string_view code,
                            std::u16string_view verifier);

// "@alice@social.example" from GET /api/v1/accounts/verify_credentials with `token`.
std::u16string VerifiedAccount(web::WebExchange& exchange, std::u16string_view origin,
                               std::u16string_view token);

// The secret store's name for the token of `origin`.
std::u16string TokenTarget(std::u16string_view origin);

// The account and token kept for `origin`; nullopt when not signed in (or the store cannot be
// read). Never throws.
std::optional<platform::StoredSecret> SignedIn(platform::SecretStore& secrets,
                                               std::u16string_view origin);

// Forgets the token kept for `origin` and returns it; nullopt when none was kept. Throws
// platform::Failure only when the store refuses to forget it.
std::optional<std::u16string> ForgetToken(platform::SecretStore& secrets,
                                          std::u16string_view origin);

// Revokes `token` with POST /oauth/revoke: false when the server cannot be reached or refuses,
// or Lumora's registration with it is no longer kept. Never throws platform::Failure.
bool RevokeToken(web::WebExchange& exchange, platform::Settings& settings,
                 std::u16string_view origin, std::u16string_view token);

}  // namespace poster::sign_in
