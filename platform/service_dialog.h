// The modal dialog in which a user sets which services the program talks to.
#pragma once

#include <optional>
#include <string>

namespace platform {

// What the dialog shows and what the user leaves in it, each box's text exactly as typed.
struct ServiceDialogValues {
  // The protocol chosen, as StatusProtocol stores it: empty for the classic one, "mastodon" or
  // "bluesky".
  std::u16string protocol;
  std::u16string statusAddress;
  std::u16string statusName;
  std::u16string sightlinkAddress;
  std::u16string account;  // the signed-in account ("@alice@social.example"), empty when none

  friend bool operator==(const ServiceDialogValues&, const ServiceDialogValues&) = default;
};

// Where the focus goes when OK is refused.
enum class ServiceDialogPart { kStatusAddress, kStatusName, kSightlinkAddress, kOkButton };

// What the dialog's Sign in and Sign out buttons do. Each runs on the window's thread with what
// the dialog holds; `show` sets the account line and whether Sign out is enabled, then or later
// (from the message loop) until Closed runs, never after; it stays valid that long.
class ServiceDialogAccount {
 public:
  class ShowAccount {
   public:
    virtual void operator()(const std::u16string& line, bool signedIn) const = 0;

   protected:
    ~ShowAccount() = default;
  };

  // Sign in pressed; `code` is the Code box's text, exactly as typed.
  virtual void SignIn(const ServiceDialogValues& values, const std::u16string& code,
                      const ShowAccount& show) = 0;
  virtual void SignOut(const ServiceDialogValues& values, const ShowAccount& show) = 0;
  // The dialog has closed, whichever way: what is under way stops.
  virtual void Closed() = 0;

 protected:
  ~ServiceDialogAccount() = default;
};

class ServiceDialog {
 public:
  // Runs on OK with what the dialog holds: nullopt closes the dialog; a part keeps it open with
  // the focus there (the callee has told the user why).
  class Accept {
   public:
    virtual std::optional<ServiceDialogPart> operator()(
        const ServiceDialogValues& values) const = 0;

   protected:
    ~Accept() = default;
  };
  // Shows the dialog over the program's window, filled with `values`, and returns when it
  // closes: true when `accept` closed it, false after Cancel, Escape or the close box. An
  // exception escaping `accept` ends the program as one escaping a handler does. Throws
  // Failure when the dialog cannot be shown. Without `account` the sign-in buttons are disabled.
  virtual bool Show(const ServiceDialogValues& values, const Accept& accept,
                    ServiceDialogAccount* account = nullptr) = 0;

 protected:
  // Never deleted through this interface: each lives as long as the program or its owner.
  ~ServiceDialog() = default;
};

// The running system's dialog; lives as long as the program.
ServiceDialog& SystemServiceDialog();

}  // namespace platform
