#include "poster/sign_in/sign_in_account.h"

#include "platform/common/failure.h"
#include "poster/sign_in/sign_in.h"
#include "poster/text_rules.h"
#include "poster/web/web_exchange.h"

namespace poster::sign_in {
std::optional<platform::StoredSecret> KeptSignIn(platform::SecretStore& secrets,
                                                 const platform::ServiceDialogValues& values) {
  if (values.protocol != u"mastodon") return std::nullopt;
  try {
    return SignedIn(secrets, ServerOrigin(values.statusAddress));
  } catch (const platform::Failure&) {
    return std::nullopt;
  }
}

platform::ServiceDialogValues WithServerOrigin(platform::ServiceDialogValues values) {
  const std::u16string typed = TrimSpaces(values.statusAddress);
  if (values.protocol != u"mastodon" || typed.empty() || typed.find(u"://") != typed.npos) {
    return values;
  }
  try {
    values.statusAddress = ServerOrigin(typed);
  } catch (const platform::Failure&) {
  }
  return values;
}

void SignInAccount::Warn(const std::u16string& text) {
  boxes_.Show(text, u"Whoops!", platform::MessageIcon::kWarning);
}

void SignInAccount::Report(const SignInNews& news) {
  const ShowAccount& show = show_;
  using Kind = SignInNews::Kind;
  awaitingCode_ = news.kind == Kind::kPasteCode;
  if (news.kind == Kind::kSignedIn) account_ = news.text;
  if (news.kind == Kind::kSignedOut) account_.clear();
  if (awaitingCode_) {
    show(u"Waiting for the code...", false);
    return boxes_.Show(news.text, u"Sign in", platform::MessageIcon::kInformation);
  }
  show(account_.empty() ? u"Not signed in." : u"Signed in as " + account_, !account_.empty());
  if (news.kind != Kind::kSignedIn && !news.text.empty()) Warn(news.text);
}

void SignInAccount::SignIn(const platform::ServiceDialogValues& values, const std::u16string& code,
                           const ShowAccount& show) {
  if (values.protocol != u"mastodon") {
    return Warn(
        u"Signing in is for a Mastodon-compatible server: choose it, type the server's "
        u"address into Status address and press Sign in again.");
  }
  show(u"Waiting for your browser...", false);
  show_ = show;
  if (awaitingCode_ && !TrimSpaces(code).empty()) return flow_.PasteCode(code);
  flow_.Start(values.statusAddress, Reporter());
}

void SignInAccount::SignOut(const platform::ServiceDialogValues& values, const ShowAccount& show) {
  show(u"Signing out...", false);
  show_ = show;
  flow_.SignOut(values.statusAddress, Reporter());
}

SignInFlow::Report SignInAccount::Reporter() {
  return [this](const SignInNews& news) { Report(news); };
}

void SignInAccount::Closed() {
  flow_.Cancel();
}

}  // namespace poster::sign_in
