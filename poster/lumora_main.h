// Lumora's one window: start-up, stored credentials, clipboard intake, counter and the two buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"
#include "platform/background.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/environment.h"
#include "platform/form.h"
#include "platform/http.h"
#include "platform/message_box.h"
#include "platform/mouse_pointer.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/secret_store.h"
#include "platform/service_dialog.h"
#include "platform/settings.h"
#include "platform/text_files.h"
#include "platform/url_schemes.h"
#include "poster/draft.h"
#include "poster/link_intake.h"
#include "poster/run_seed.h"
#include "poster/secret_owner.h"
#include "poster/sign_in/sign_in_flow.h"
#include "poster/status_service.h"
#include "poster/stored_credentials.h"
#include "poster/web/form_post.h"
#include "poster/web/service_addresses.h"

namespace poster {

// The caption of the window's system-menu item that opens the service settings.
inline constexpr char16_t kServiceSettingsMenuItem[] = u"Service s&ettings\u2026";

// The controls the handlers touch.
struct LumoraControls {
  platform::Window& form;
  platform::TextBox& yourUserName;
  platform::TextBox& yourPassword;
  platform::TextBox& theLongUrl;
  platform::TextBox& yourTweet;
  platform::Label& llen;
  platform::Label& label1;  // above the user name
  platform::Label& label2;  // above the password
  platform::Label& label4;  // beside the short-link button
  platform::Button& sendTweetButton;
  platform::Button& createTinyUrlButton;
  platform::Timer& timer1;

  static LumoraControls From(platform::Form& form);
};

// The system services Lumora's handlers call, and no others.
struct LumoraServices {
  platform::Clipboard& clipboard;
  platform::MessageBoxes& messageBoxes;
  platform::MousePointer& mousePointer;
  platform::TextFiles& textFiles;
  platform::AnsiCodec& ansi;
  platform::Environment& environment;
  platform::Process& process;
  platform::HttpClient& http;
  platform::UrlSchemes& urlSchemes;
  platform::Background& background;
  platform::Settings& settings;
  platform::ServiceDialog& serviceDialog;
  platform::Clock& clock;
  platform::Random& random;
  sign_in::SignInSystem signIn;
};

// The handler names (Form_Load, Timer1_Timer, SendTweetButton_Click, ...), Initiation,
// BuildPostData, PostURLSource and their parameter names (TheURL, UN, PS, BYTEARRAY) are the
// window's and its routines' names in the program's description; they keep that spelling.
class LumoraMain {
 public:
  // Wires the handlers to the controls; nothing runs until Form_Load.
  LumoraMain(LumoraControls controls, LumoraServices services, web::ServiceAddresses addresses);

  void Form_Load();
  void Timer1_Timer();
  void YourTweet_Change();
  void SendTweetButton_Click();
  void CreateTinyURLButton_Click();
  // The system menu's "Service settings…": the dialog with the stored values. OK stores values
  // that pass the program's rules and they apply from the next request on; a refused value is
  // named in a box and the dialog stays; Cancel changes nothing.
  void ServiceSettings_Click();
  // Reads the service addresses from the settings again; the next request uses them.
  void ReloadServiceSettings();

  // Takes the status service the settings name (StatusServiceFor) and shows the window as it
  // asks: its words, its counter, and its limits, learned in the background once the window
  // shows. Form_Load calls it; so does a change of settings.
  void ApplyStatusProtocol();

  void Initiation();
  // Empty until Initiation has run; then ends in a backslash.
  const std::u16string& DataFolder() const { return dataFolder_; }

  // The form body as bytes, one per UTF-16 code unit in the ANSI code page. Throws
  // platform::ProgramError (kOverflow) for a character whose code does not fit one byte.
  void BuildPostData(std::vector<std::uint8_t>& BYTEARRAY, const std::u16string& strPostData) const;
  // The request routines by their described signatures, for a caller that holds the form body
  // as the query of TheURL: POSTs the text after the first "?" of TheURL (through
  // BuildPostData) to the address before it; returns the response text, or "" without any
  // request when TheURL has no "?". Throws platform::Failure. The buttons send through
  // poster::web directly and never build such an address.
  std::u16string PostURLSource(const std::u16string& TheURL);
  std::u16string CredentialPostURLSource(const std::u16string& TheURL, const std::u16string& UN,
                                         const std::u16string& PS);

 private:
  // A link argument, when the program has one, read into link_; a link not understood is
  // refused in a box and ends the program before anything is written.
  void TakeStartingLink();
  // True when this program's file lies in the data folder, the installed Kestrova folder
  // (compared as full paths, ASCII letters in either case). Needs Initiation first.
  bool IsInstalledCopy() const;
  // Makes links open this program for the current user when this is the installed copy and
  // they do not already; a copy elsewhere leaves the key alone. A failure is not the user's
  // concern: the window works without it.
  void RegisterLinkScheme();
  // The link's status text and long address put into their boxes; the clipboard is not read.
  void ShowLink();
  // The clipboard's text taken in as the status; the program ends when nothing is left of it.
  void TakeClipboard();
  // Has the web library loaded and the proxy found for the service addresses in the
  // background, so that a button's first request pays only for its exchange.
  void PrepareRequests();
  // Lets the service learn its limits; its answer cuts an untouched intake again.
  void LearnLimits();
  void ShowWords(const WindowWords& words);
  // The signed-in account in the two boxes (the password box standing for the kept token), or
  // the stored user name and password again once signed out.
  void ShowSignedIn();
  PostInput Entered() const;
  // `button` disabled under the hourglass while a request runs, and back.
  void Busy(platform::Button& button, bool busy);
  void ShowOutcome(const SendOutcome& outcome);
  // `handler` called on this window, as a control's handler.
  platform::Handler Calling(void (LumoraMain::*handler)());
  std::u16string PostQuery(const std::u16string& TheURL,
                           const std::optional<web::Credentials>& credentials);
  // A warning box; the strings are copied once here rather than at every caller.
  void Warn(std::u16string_view text, std::u16string_view title = u"Whoops!");
  // The dialog's OK: checks and stores `values`; where the focus goes when they are refused.
  std::optional<platform::ServiceDialogPart> AcceptServiceSettings(
      const platform::ServiceDialogValues& values);

  LumoraControls c_;
  LumoraServices s_;
  web::ServiceAddresses addresses_;
  std::u16string dataFolder_;
  std::optional<LinkContent> link_;
  std::unique_ptr<StatusService> service_;
  // Services the settings replaced: each stays until the program ends, as a question it asked
  // may still be answered (a settings change is rare).
  std::vector<std::unique_ptr<StatusService>> retired_;
  Draft draft_;
  StoredCredentials credentials_;
  SecretOwner secretOwner_;  // the server the password box belongs to
  bool shown_ = false;       // the first tick has come: the window is on screen
  bool ownWords_ = false;    // the service's words replace the designed ones
  // The account and token kept for the configured server, when signed in.
  std::optional<platform::StoredSecret> signedIn_;
  RunSeed runSeed_;
};

}  // namespace poster
