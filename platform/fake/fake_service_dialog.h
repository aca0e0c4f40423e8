// A service settings dialog that a test fills in and closes: OK with scripted values, or Cancel.
#pragma once

#include <optional>
#include <vector>

#include "platform/service_dialog.h"

namespace platform::fake {

class FakeServiceDialog final : public ServiceDialog {
 public:
  bool Show(const ServiceDialogValues& values, const Accept& accept,
            ServiceDialogAccount* account = nullptr) override {
    shown.push_back(values);
    accounts.push_back(account);
    // As the system's dialog: the account hears that it closed, however it closed.
    struct Closing {
      ServiceDialogAccount* account;
      ~Closing() {
        if (account) account->Closed();
      }
    } closing{account};
    while (!presses.empty()) {
      const std::optional<ServiceDialogValues> press = presses.front();
      presses.erase(presses.begin());
      if (!press) return false;
      answers.push_back(accept(*press));
      if (!answers.back()) return true;
    }
    return false;
  }

  // What the user does while the dialog is open, in order: OK with these values in the dialog,
  // or (nullopt) Cancel. A dialog still open when they run out is cancelled.
  std::vector<std::optional<ServiceDialogValues>> presses;
  // The values each Show opened with.
  std::vector<ServiceDialogValues> shown;
  // The account handler each Show was given.
  std::vector<ServiceDialogAccount*> accounts;
  // What `accept` answered to each OK.
  std::vector<std::optional<ServiceDialogPart>> answers;
};

}  // namespace platform::fake
