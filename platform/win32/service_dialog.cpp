#include "platform/service_dialog.h"

#include <windows.h>

#include "platform/win32/handler_guard.h"
#include "platform/win32/service_dialog_ids.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Each box with the value it shows, then where each ServiceDialogPart is.
constexpr int kBoxes[] = {LUMORA_SERVICE_STATUS_ADDRESS, LUMORA_SERVICE_STATUS_NAME,
                          LUMORA_SERVICE_SIGHTLINK_ADDRESS};
constexpr std::u16string ServiceDialogValues::*kFields[] = {&ServiceDialogValues::statusAddress,
                                                            &ServiceDialogValues::statusName,
                                                            &ServiceDialogValues::sightlinkAddress};
constexpr int kParts[] = {LUMORA_SERVICE_STATUS_ADDRESS, LUMORA_SERVICE_STATUS_NAME,
                          LUMORA_SERVICE_SIGHTLINK_ADDRESS, IDOK};

// Each protocol's button with the value it stands for; the first is the classic one.
constexpr int kRadios[] = {LUMORA_SERVICE_CLASSIC, LUMORA_SERVICE_MASTODON, LUMORA_SERVICE_BLUESKY};
constexpr const char16_t* kProtocols[] = {u"", u"mastodon", u"bluesky"};

std::u16string BoxText(HWND dialog, int id) {
  HWND box = GetDlgItem(dialog, id);
  std::u16string text(GetWindowTextLengthW(box) + 1, u'\0');
  text.resize(GetWindowTextW(box, Wide(text), static_cast<int>(text.size())));
  return text;
}

ServiceDialogValues DialogValues(HWND dialog) {
  ServiceDialogValues values;
  for (int i = 1; i < 3; ++i) {
    if (IsDlgButtonChecked(dialog, kRadios[i]) == BST_CHECKED) values.protocol = kProtocols[i];
  }
  for (int i = 0; i < 3; ++i) values.*kFields[i] = BoxText(dialog, kBoxes[i]);
  return values;
}

// The account line and the Sign out button.
void ShowAccountLine(HWND dialog, const std::u16string& line, bool signedIn) {
  SetDlgItemTextW(dialog, LUMORA_SERVICE_ACCOUNT, Wide(line));
  EnableWindow(GetDlgItem(dialog, LUMORA_SERVICE_SIGN_OUT), signedIn);
}

// One dialog's state, and its account line for the account's handlers.
struct Session final : ServiceDialogAccount::ShowAccount {
  Session(const ServiceDialogValues& shown, const ServiceDialog::Accept& onOk,
          ServiceDialogAccount* handler)
      : values(shown), accept(onOk), account(handler) {}
  void operator()(const std::u16string& line, bool signedIn) const override {
    ShowAccountLine(dialog, line, signedIn);
  }

  const ServiceDialogValues& values;
  const ServiceDialog::Accept& accept;
  ServiceDialogAccount* account;
  HWND dialog = nullptr;  // from WM_INITDIALOG until the dialog closes
};

void InitDialog(HWND dialog, Session& session) {
  session.dialog = dialog;
  const ServiceDialogValues& values = session.values;
  int radio = LUMORA_SERVICE_CLASSIC;
  for (int i = 1; i < 3; ++i) {
    if (values.protocol == kProtocols[i]) radio = kRadios[i];
  }
  CheckDlgButton(dialog, radio, BST_CHECKED);
  for (int i = 0; i < 3; ++i) SetDlgItemTextW(dialog, kBoxes[i], Wide(values.*kFields[i]));
  if (!values.account.empty()) ShowAccountLine(dialog, u"Signed in as " + values.account, true);
  EnableWindow(GetDlgItem(dialog, LUMORA_SERVICE_SIGN_OUT), !values.account.empty());
  if (!session.account) EnableWindow(GetDlgItem(dialog, LUMORA_SERVICE_SIGN_IN), FALSE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    InitDialog(dialog, *reinterpret_cast<Session*>(lParam));
    return TRUE;  // the focus goes to the first tab stop
  }
  if (message != WM_COMMAND) return FALSE;
  const int command = LOWORD(wParam);
  if (command == IDCANCEL) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  const bool signIn = command == LUMORA_SERVICE_SIGN_IN,
             signOut = command == LUMORA_SERVICE_SIGN_OUT;
  if (command != IDOK && !signIn && !signOut) return FALSE;
  const auto* session = reinterpret_cast<const Session*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (session == nullptr || (command != IDOK && session->account == nullptr)) return FALSE;
  // One handler for the three buttons, holding one reference: one closure type in the program,
  // kept inside the std::function rather than allocated at each press.
  struct {
    HWND dialog;
    const Session& session;
    bool signIn, signOut;
    std::optional<ServiceDialogPart> refused;
  } press{dialog, *session, signIn, signOut, std::nullopt};
  RunHandler([&press] {
    const ServiceDialogValues values = DialogValues(press.dialog);
    if (press.signIn) {
      press.session.account->SignIn(values, BoxText(press.dialog, LUMORA_SERVICE_CODE),
                                    press.session);
    } else if (press.signOut) {
      press.session.account->SignOut(values, press.session);
    } else {
      press.refused = press.session.accept(values);
    }
  });
  const std::optional<ServiceDialogPart>& refused = press.refused;
  if (command != IDOK) return TRUE;
  if (!refused) {
    EndDialog(dialog, 1);
  } else {
    // As the Tab key moves it: a box's text comes selected, ready to be typed over.
    HWND part = GetDlgItem(dialog, kParts[static_cast<int>(*refused)]);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(part), TRUE);
  }
  return TRUE;
}

class Win32ServiceDialog final : public ServiceDialog {
 public:
  bool Show(const ServiceDialogValues& values, const Accept& accept,
            ServiceDialogAccount* account) override {
    Session session{values, accept, account};
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(LUMORA_SERVICE_DIALOG),
                        GetActiveWindow(), DialogProc, reinterpret_cast<LPARAM>(&session));
    if (account) account->Closed();
    if (result == -1) ThrowLastError();
    return result == 1;
  }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32ServiceDialog dialog;
}  // namespace

ServiceDialog& SystemServiceDialog() {
  return dialog;
}

}  // namespace platform
