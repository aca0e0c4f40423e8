#include "poster/sign_in/sign_in_account.h"

#include "platform/common/failure.h"
#include "poster/sign_in/sign_in.h"
#include "poster/text_rules.h"
#include "poster/web/web_exchange.h"

namespace poster::sign_in {
namespace {

constexpr char16_t kNotSignedIn[] = u"Not signed in.";

}  // namespace

std::optional<platform::StoredSecret> KeptSignIn(platform::SecretStore& secrets,
                                                 const platform::ServiceDialogValues& values) {
  if (!values.mastodon) return std::nullopt;
  try {
    return SignedIn(secrets, ServerOrigin(values.statusAddress));
  } catch (const platform::Failure&) {
    return std::nullopt;
  }
}

void SignInAccount::Warn(const std::u16string& text) {
  boxes_.Show(text, u"Whoops!", platform::MessageIcon::kWarning);
}

void SignInAccount::SignIn(const platform::ServiceDialogValues& values, const std::u16string& code,
                           const ShowAccount& show) {
  if (!values.mastodon) {
    return Warn(
        u"Signing in is for a Mastodon-compatible server: choose it, type the server's "
        u"address into Status address and press Sign in again.");
  }
  if (awaitingCode_ && !TrimSpaces(code).empty()) {
    awaitingCode_ = false;
    show(u"Signing in...", false);
    return flow_.PasteCode(code);
  }
  awaitingCode_ = false;
  show(u"Waiting for your browser...", false);
  flow_.Start(values.statusAddress, [this, show](const SignInNews& news) {
    if (news.kind == SignInNews::Kind::kSignedIn) return show(u"Signed in as " + news.text, true);
    awaitingCode_ = news.kind == SignInNews::Kind::kPasteCode;
    show(awaitingCode_ ? u"Waiting for the code..." : kNotSignedIn, false);
    if (awaitingCode_)
      return boxes_.Show(news.text, u"Sign in", platform::MessageIcon::kInformation);
    Warn(news.text);
  });
}

void SignInAccount::SignOut(const platform::ServiceDialogValues& values, const ShowAccount& show) {
  std::u16string origin;
  try {
    origin = ServerOrigin(values.statusAddress);
  } catch (const platform::Failure& failure) {
    return Warn(failure.Description());
  }
  flow_.Cancel();
  show(u"Signing out...", false);
  // Whether the token is gone, and what the user must hear.
  std::shared_ptr<std::pair<bool, std::u16string>> outcome(
      new std::pair<bool, std::u16string>(true, u""));
  parts_.background.Run(
      [parts = parts_, origin, outcome] {
        web::HttpWebExchange exchange(parts.http);
        try {
          if (!sign_in::SignOut(exchange, parts.settings, parts.system.secrets, origin)) {
            outcome->second =
                u"Lumora has forgotten the token, but the server could not be reached to "
                u"revoke it. You can revoke Lumora in your account's settings on the "
                u"server.";
          }
        } catch (const platform::Failure& failure) {
          *outcome = {false, u"The token could not be removed from Windows' Credential Manager: " +
                                 failure.Description()};
        }
      },
      [this, open = open_, outcome, show] {
        if (!*open) return;
        if (outcome->first) show(kNotSignedIn, false);
        if (!outcome->second.empty()) Warn(outcome->second);
      });
}

void SignInAccount::Closed() {
  *open_ = false;
  flow_.Cancel();
}

}  // namespace poster::sign_in
