#include "poster/sign_in/sign_in.h"

#include <initializer_list>
#include <utility>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/link_intake.h"
#include "poster/mastodon/mastodon.h"
#include "poster/sign_in/pkce.h"
#include "poster/text_rules.h"
#include "poster/web/form_encoding.h"
#include "poster/web/form_post.h"
#include "poster/web/json_reader.h"

namespace poster::sign_in {

namespace {

using Field = std::pair<const char16_t*, std::u16string_view>;

// The parts joined, as a refusal that says nothing was kept.
[[noreturn]] void Refuse(std::initializer_list<std::u16string_view> parts) {
  throw platform::Failure(0, platform::Joined(parts).append(u"\n\nNothing was stored."));
}

std::u16string_view Host(std::u16string_view origin) {
  return origin.substr(origin.find(u"//") + 2);
}

// "<host> <what> (<detail>)." refused: the server's own refusals.
[[noreturn]] void RefuseAbout(std::u16string_view origin, const char16_t* what,
                              std::u16string_view detail = {}) {
  const bool plain = detail.empty();
  Refuse({Host(origin), u" ", what, plain ? u"" : u" (", detail, plain ? u"." : u")."});
}

std::u16string ClientSetting(std::u16string_view origin) {
  return platform::Joined({u"SignInClient ", origin});
}

bool PlainToken(std::u16string_view text) {
  if (text.empty() || text.size() > platform::SecretStore::kMaxSecretBytes) return false;
  for (const char16_t c : text)
    if (c <= u' ' || c > u'~') return false;
  return true;
}

// "a=1&b=2", each value form-encoded: a form body, or an address's query.
std::u16string Form(std::initializer_list<Field> fields) {
  std::u16string form;
  for (const auto& [name, value] : fields) {
    if (!form.empty()) form += u'&';
    form.append(name).append(u"=").append(web::FormEncode(value));
  }
  return form;
}

// A form POST to `origin` when `form` is given, else a GET carrying `token`.
web::WebReply Ask(web::WebExchange& exchange, std::u16string_view origin, std::u16string_view path,
                  std::u16string_view form, std::u16string_view token = {}) {
  const bool get = form.empty();
  const std::u16string_view name = get ? u"Authorization" : u"Content-Type";
  const std::u16string value = platform::Joined({get ? u"Bearer " : web::kFormContentType, token});
  web::WebRequest request{
      get ? u"GET" : u"POST", web::MastodonEndpoint(origin, path), {}, {form.begin(), form.end()}};
  request.headers.emplace_back(name, std::u16string_view(value));
  return exchange.Exchange(request);
}

web::WebReply Post(web::WebExchange& exchange, std::u16string_view origin, std::u16string_view path,
                   std::initializer_list<Field> fields) {
  return Ask(exchange, origin, path, Form(fields));
}

// The reply's member `name` when it is a plain token (any status: errors are read too).
std::optional<std::u16string> Member(const web::WebReply& reply, std::u16string_view name) {
  const std::optional<web::JsonObject> json = web::JsonObject::Parse(reply.body);
  std::optional<std::u16string> value = json ? json->StringAt({name}) : std::nullopt;
  if (value && !PlainToken(*value)) value.reset();
  return value;
}

std::optional<std::u16string> Answered(const web::WebReply& reply, std::u16string_view name) {
  return reply.status == 200 ? Member(reply, name) : std::nullopt;
}

// The reply's "error" member, else its status code.
std::u16string ReplyError(const web::WebReply& reply) {
  if (std::optional<std::u16string> error = Member(reply, u"error")) return std::move(*error);
  return u"HTTP " + platform::DecimalText(reply.status);
}

std::optional<Client> KeptClient(const platform::Settings& settings, std::u16string_view origin) {
  std::optional<std::u16string> kept;
  try {
    kept = settings.Text(ClientSetting(origin));
  } catch (const platform::Failure&) {
    // An unreadable registration is made anew.
  }
  if (!kept) return std::nullopt;
  const std::size_t first = kept->find(u' ');
  const std::size_t second = kept->find(u' ', first + 1);
  if (second == std::u16string::npos) return std::nullopt;
  return Client{kept->substr(0, first), kept->substr(first + 1, second - first - 1),
                kept->substr(second + 1)};
}

}  // namespace

std::u16string ServerOrigin(std::u16string_view typed) {
  std::u16string text = TrimSpaces(typed);
  const std::size_t at = text.rfind(u'@');
  if (at != std::u16string::npos && text.find(u"://") == std::u16string::npos)
    text.erase(0, at + 1);
  if (text.find(u"://") == std::u16string::npos) text.insert(0, u"https://");
  while (text.ends_with(u'/')) text.pop_back();
  const std::optional<platform::WebUrl> url = platform::ParseWebUrl(text);
  if (url && !url->secure) {
    Refuse(
        {u"Lumora signs in over https:// only: over http:// the token would cross the "
         u"network in clear."});
  }
  if (!url || url->object != u"/" || url->host.empty()) {
    Refuse(
        {u"Type your server's name, such as mastodon.social, https://social.example or "
         u"@alice@social.example."});
  }
  std::u16string origin = u"https://" + platform::AsciiLower(url->host);
  if (url->explicitPort) origin.append(u":").append(platform::DecimalText(url->port));
  return origin;
}

Client Registration(web::WebExchange& exchange, platform::Settings& settings,
                    std::u16string_view origin, bool again) {
  if (std::optional<Client> kept = KeptClient(settings, origin); kept && !again)
    return std::move(*kept);
  for (const char16_t* scopes : {u"write:statuses profile", u"write:statuses read:accounts"}) {
    const web::WebReply reply = Post(exchange, origin, u"/api/v1/apps",
                                     {{u"client_name", u"Lumora"},
                                      {u"redirect_uris", kRegisteredRedirects},
                                      {u"scopes", scopes}});
    auto id = Answered(reply, u"client_id");
    auto secret = Answered(reply, u"client_secret");
    if (id && secret) {
      settings.SetText(ClientSetting(origin), platform::Joined({*id, u" ", *secret, u" ", scopes}));
      return {std::move(*id), std::move(*secret), scopes};
    }
    // A server older than the "profile" scope refuses it by name.
    if ((reply.status == 400 || reply.status == 422) &&
        platform::AsciiLower(reply.body).find(u"scope") != std::u16string::npos) {
      continue;
    }
    if (reply.status == 404 || reply.status == 405) {
      RefuseAbout(origin, u"does not offer a Mastodon-compatible sign-in");
    }
    if (reply.status == 429) {
      RefuseAbout(origin, u"refuses more registrations for now: try again later");
    }
    RefuseAbout(origin, u"refused to register Lumora", ReplyError(reply));
  }
  RefuseAbout(origin, u"refused the scopes Lumora needs to post");
}

std::u16string AuthorizeAddress(std::u16string_view origin, const Client& client,
                                std::u16string_view redirect, std::u16string_view state,
                                std::u16string_view verifier) {
  return web::MastodonEndpoint(origin, u"/oauth/authorize?") +
         Form({{u"response_type", u"code"},
               {u"client_id", client.id},
               {u"redirect_uri", redirect},
               {u"scope", client.scopes},
               {u"state", state},
               {u"code_challenge", PkceChallenge(verifier)},
               {u"code_challenge_method", u"S256"}});
}

std::u16string CallbackCode(std::u16string_view target, std::u16string_view state) {
  std::u16string_view query;
  if (target.starts_with(u"/callback?")) query = target.substr(10);
  // The first of each name counts.
  constexpr std::u16string_view kNames[] = {u"state", u"code", u"error"};
  std::optional<std::u16string> found[3];
  while (!query.empty()) {
    const std::u16string_view part = query.substr(0, query.find(u'&'));
    query.remove_prefix(std::min(query.size(), part.size() + 1));
    const std::size_t equals = part.find(u'=');
    for (int i = 0; i < 3 && equals != part.npos; ++i) {
      if (part.substr(0, equals) == kNames[i] && !found[i])
        found[i] = PercentDecoded(part.substr(equals + 1));
    }
  }
  auto& [gotState, code, error] = found;
  // Without its state a request is not this sign-in's answer, whatever it says.
  if (!gotState || *gotState != state) {
    Refuse({u"Lumora received a request that was not the answer to this sign-in."});
  }
  if (error && *error == u"access_denied")
    Refuse({u"Lumora was not allowed on the server's page."});
  if (error) Refuse({u"The server ended the sign-in: ", *error, u"."});
  if (!code || !PlainToken(*code)) Refuse({u"The server's answer held no code."});
  return std::move(*code);
}

std::u16string ExchangeCode(web::WebExchange& exchange, platform::Settings& settings,
                            std::u16string_view origin, const Client& client,
                            std::u16string_view redirect, std::u16string_view code,
                            std::u16string_view verifier) {
  const web::WebReply reply = Post(exchange, origin, u"/oauth/token",
                                   {{u"grant_type", u"authorization_code"},
                                    {u"code", code},
                                    {u"client_id", client.id},
                                    {u"client_secret", client.secret},
                                    {u"redirect_uri", redirect},
                                    {u"code_verifier", verifier}});
  if (auto token = Answered(reply, u"access_token")) return std::move(*token);
  const std::u16string error = ReplyError(reply);
  if (error == u"invalid_client") {
    settings.Remove(ClientSetting(origin));
    RefuseAbout(origin, u"no longer knew Lumora: press Sign in again to register anew");
  }
  RefuseAbout(origin, u"refused the sign-in code", error);
}

std::u16string VerifiedAccount(web::WebExchange& exchange, std::u16string_view origin,
                               std::u16string_view token) {
  const web::WebReply reply =
      Ask(exchange, origin, u"/api/v1/accounts/verify_credentials", {}, token);
  const auto acct = Answered(reply, u"acct");
  if (!acct) RefuseAbout(origin, u"did not confirm the account", ReplyError(reply));
  const std::u16string_view host = Host(origin);
  const bool full = acct->find(u'@') != acct->npos;
  return platform::Joined(
      {u"@", *acct, full ? u"" : u"@", full ? u"" : host.substr(0, host.find(u':'))});
}

std::u16string TokenTarget(std::u16string_view origin) {
  return platform::Joined({u"Lumora:", origin});
}

std::optional<platform::StoredSecret> SignedIn(platform::SecretStore& secrets,
                                               std::u16string_view origin) {
  try {
    return secrets.Find(TokenTarget(origin));
  } catch (const platform::Failure&) {
    return std::nullopt;
  }
}

std::optional<std::u16string> ForgetToken(platform::SecretStore& secrets,
                                          std::u16string_view origin) {
  const std::optional<platform::StoredSecret> kept = SignedIn(secrets, origin);
  secrets.Forget(TokenTarget(origin));
  if (!kept) return std::nullopt;
  return std::u16string(kept->secret.begin(), kept->secret.end());
}

bool RevokeToken(web::WebExchange& exchange, platform::Settings& settings,
                 std::u16string_view origin, std::u16string_view token) {
  const std::optional<Client> client = KeptClient(settings, origin);
  if (!client) return false;
  try {
    return Post(exchange, origin, u"/oauth/revoke",
                {{u"client_id", client->id}, {u"client_secret", client->secret}, {u"token", token}})
               .status == 200;
  } catch (const platform::Failure&) {
    return false;
  }
}

}  // namespace poster::sign_in
