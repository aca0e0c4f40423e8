// The Service settings dialog's Sign in and Sign out: the flow, its boxes and the account line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/message_box.h"
#include "platform/service_dialog.h"
#include "poster/sign_in/sign_in_flow.h"

namespace poster::sign_in {

// The account and token kept for the Mastodon-compatible server that `values` name; nullopt
// when the classic protocol is chosen (the store is then not read), the address cannot be
// used, or no token is kept. Never throws.
std::optional<platform::StoredSecret> KeptSignIn(platform::SecretStore& secrets,
                                                 const platform::ServiceDialogValues& values);

// `values` with a Mastodon-compatible server typed the way Sign in takes it (mastodon.social,
// @alice@social.example) given as its https:// address, so OK stores what Sign in used;
// anything else, or a server Sign in would refuse, unchanged. Never throws.
platform::ServiceDialogValues WithServerOrigin(platform::ServiceDialogValues values);

class SignInAccount final : public platform::ServiceDialogAccount {
 public:
  // `account` is the one signed in as the dialog opens, empty when none.
  SignInAccount(const SignInParts& parts, platform::MessageBoxes& boxes, std::u16string account)
      : boxes_(boxes), flow_(parts), account_(std::move(account)) {}
  // Starts a sign-in to the server in the status address box (Mastodon-compatible only), or,
  // after the page showed a code, goes on with the code pasted into the Code box.
  void SignIn(const platform::ServiceDialogValues& values, const std::u16string& code,
              const ShowAccount& show) override;
  // Revokes and forgets the token of the server in the status address box, on a worker.
  void SignOut(const platform::ServiceDialogValues& values, const ShowAccount& show) override;
  void Closed() override;

 private:
  void Warn(const std::u16string& text);
  // What the flow reported: the account line, and a box when there is something to say.
  void Report(const SignInNews& news);
  // The flow's callback that reports to `show_`.
  SignInFlow::Report Reporter();

  platform::MessageBoxes& boxes_;
  SignInFlow flow_;
  std::u16string account_;
  ShowAccount show_;  // the account line of the latest Sign in or Sign out
  bool awaitingCode_ = false;
};

}  // namespace poster::sign_in
