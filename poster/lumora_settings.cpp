#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/lumora_main.h"
#include "poster/sign_in/sign_in_account.h"
#include "poster/web/service_settings.h"

namespace poster {

void LumoraMain::ShowSignedIn() {
  const bool was = signedIn_.has_value();
  signedIn_ = sign_in::KeptSignIn(s_.signIn.secrets, web::ReadServiceSettings(s_.settings));
  if (signedIn_) {
    c_.yourUserName.SetText(signedIn_->account);
    // Shown as dots: it only stands for the kept token, which never reaches a box.
    c_.yourPassword.SetText(u"signed-in");
  } else if (was) {
    c_.yourUserName.SetText(credentials_.UserName());
    c_.yourPassword.SetText(secretOwner_.Owns() ? credentials_.Password() : u"");
  }
}

void LumoraMain::ServiceSettings_Click() {
  platform::ServiceDialogValues values = web::ReadServiceSettings(s_.settings);
  if (const auto kept = sign_in::KeptSignIn(s_.signIn.secrets, values)) {
    values.account = kept->account;
  }
  sign_in::SignInAccount account({s_.signIn, s_.http, s_.settings, s_.random, s_.background},
                                 s_.messageBoxes, values.account);
  struct Accepting final : platform::ServiceDialog::Accept {
    explicit Accepting(LumoraMain& owner) : main(owner) {}
    std::optional<platform::ServiceDialogPart> operator()(
        const platform::ServiceDialogValues& accepted) const override {
      return main.AcceptServiceSettings(accepted);
    }
    LumoraMain& main;
  };
  s_.serviceDialog.Show(values, Accepting(*this), &account);
  ShowSignedIn();
}

std::optional<platform::ServiceDialogPart> LumoraMain::AcceptServiceSettings(
    const platform::ServiceDialogValues& entered) {
  using Part = platform::ServiceDialogPart;
  platform::ServiceDialogValues values = entered;
  sign_in::UseServerOrigin(values);
  if (const auto problem = web::CheckServiceSettings(values)) {
    Warn(problem->text);
    return problem->field == web::ServiceSettingsProblem::Field::kStatusAddress
               ? Part::kStatusAddress
               : Part::kSightlinkAddress;
  }
  std::optional<Part> refused;
  try {
    web::StoreServiceSettings(s_.settings, values);
  } catch (const platform::Failure& failure) {
    Warn(platform::Joined({u"The settings could not be saved in ", s_.settings.Location(), u": ",
                           failure.Description()}));
    refused = Part::kOkButton;
  }
  // Also after a write that failed part way: what was stored is what applies.
  ReloadServiceSettings();
  ApplyStatusProtocol();
  if (!secretOwner_.StillOwns()) c_.yourPassword.SetText(u"");
  if (shown_) PrepareRequests();
  return refused;
}

void LumoraMain::ReloadServiceSettings() {
  addresses_ = web::ServiceAddresses::Read(s_.settings);
}

}  // namespace poster
