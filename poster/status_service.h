// The one seam between the window and the service that takes its status: words, count, limits,
// the check before sending, the request and the verdict.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/background.h"
#include "platform/clock.h"
#include "platform/common/failure.h"
#include "platform/environment.h"
#include "platform/http.h"
#include "platform/secret_store.h"
#include "poster/run_seed.h"
#include "poster/text_rules.h"
#include "poster/web/service_addresses.h"

namespace poster {

// The captions a service gives the window's words, and the most code units the status box
// takes from typing (0 for no bound).
struct WindowWords {
  std::u16string userNameLabel;
  std::u16string passwordLabel;
  std::u16string sendButton;
  std::u16string shortLinkNote;
  std::size_t statusMaxLength = 0;
  // Whether the password box's text is kept between runs (PW.DAT); a service that keeps its own
  // sign-in leaves the stored one as it was.
  bool keepsPassword = true;
};

// What the user entered when they clicked send, each box's text trimmed.
struct PostInput {
  std::u16string userName;
  std::u16string password;
  std::u16string status;
  std::u16string pageAddress;  // the long address box's text, trimmed
  std::u16string pageTitle;    // the page's title a link gave with that address, else empty
};

// How one send ended: the box the user sees (information when `posted`, a warning otherwise)
// and whether the program has done its work and ends after it.
struct SendOutcome {
  Notice box;
  bool posted = false;
  bool ends = false;
};

// What every status service is made with; the service keeps copies of what it needs.
struct StatusServiceParts {
  const web::ServiceAddresses& addresses;
  const std::u16string& settingsLocation;  // where the settings live, for boxes that name one
  platform::HttpClient& http;
  RunSeed& runSeed;  // tells this run's requests from another run's
  platform::Clock& clock;
  platform::Environment& environment;
  platform::SecretStore& secrets;  // the sign-ins a service keeps between runs
  // Why the settings cannot be used, when the factory found out ("Whoops!" text), else empty.
  std::u16string settingsProblem;
};

class StatusService {
 public:
  virtual ~StatusService() = default;

  // The window's words for this service; nullopt for the window exactly as designed.
  const std::optional<WindowWords>& Words() const { return words_; }
  // The address whose connection is worth preparing before the first click; empty for none.
  const std::u16string& PreparedAddress() const { return preparedAddress_; }
  // Why nothing can be sent with the settings as they are (a "Whoops!" text); empty when they
  // can be used.
  const std::u16string& SettingsProblem() const { return settingsProblem_; }

  // The status text taken in from `raw` (the clipboard's text, or a link's when `fromLink`):
  // trimmed and cut as this service counts. Never throws.
  virtual std::u16string Intake(std::u16string_view raw, bool fromLink) const = 0;
  // The counter label for the status box holding `text`.
  virtual CounterLook Counter(std::u16string_view text) const = 0;
  // Asks the service what it needs to know to count (its limits) through `background`, when it
  // has anything to ask; `learned` runs on the window's thread once the answer is taken. The
  // caller keeps this service alive until then. Does nothing by default.
  virtual void LearnLimits(platform::Background& /*background*/,
                           std::function<void()> /*learned*/) {}
  // Why `input` cannot be sent as it stands (shown after a beep), nullopt when it can.
  virtual std::optional<Notice> Refusal(const PostInput& input) = 0;
  // A question the user answers before `input` is sent (Yes sends it, No sends nothing);
  // nullopt when there is none to ask. None by default.
  virtual std::optional<Notice> Question(const PostInput& /*input*/) const { return std::nullopt; }
  // Sends `input` (already checked) and judges the reply. Throws platform::Failure when no
  // reply came.
  virtual SendOutcome Send(const PostInput& input) = 0;
  // The outcome of sending `input` when `failure` came instead of a reply.
  virtual SendOutcome Unsent(const PostInput& input, const platform::Failure& failure) = 0;

 protected:
  // What the getters above give, set by each service's constructor.
  std::optional<WindowWords> words_;
  std::u16string preparedAddress_;
  std::u16string settingsProblem_;
};

}  // namespace poster
