// The browser sign-in as the Service settings dialog runs it: each network step on a worker,
// the browser and the outcome on the window's thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/background.h"
#include "platform/browser.h"
#include "platform/http.h"
#include "platform/loopback.h"
#include "platform/random.h"
#include "platform/secret_store.h"
#include "platform/settings.h"

namespace poster::sign_in {

// The services only the sign-in calls.
struct SignInSystem {
  platform::SecretStore& secrets;
  platform::LoopbackListeners& listeners;
  platform::Browser& browser;
};

// Everything a sign-in talks to.
struct SignInParts {
  SignInSystem system;
  platform::HttpClient& http;
  platform::Settings& settings;
  platform::Random& random;
  platform::Background& background;
};

// How long the listener waits for the browser.
inline constexpr int kCallbackSeconds = 300;

// What a sign-in reports to the dialog.
struct SignInNews {
  enum class Kind { kSignedIn, kRefused, kPasteCode, kSignedOut };
  Kind kind;
  // kSignedIn: "@alice@social.example"; kRefused: the box's text; kPasteCode: what to do;
  // kSignedOut: empty, or why the server may still honour the token.
  std::u16string text;
};

// Where a sign-in's news goes: on the window's thread, once per step that ends, never after
// the flow's Cancel.
class SignInReport {
 public:
  virtual void Report(const SignInNews& news) = 0;

 protected:
  ~SignInReport() = default;
};

class SignInFlow {
 public:
  explicit SignInFlow(const SignInParts& parts) : parts_(parts) {}
  // Cancels what is under way.
  ~SignInFlow() { Cancel(); }

  // Signs in to the server typed in `typed`: on a worker, registers when needed, opens the
  // browser on the server's page and waits for its answer on the loopback listener (or, when
  // no listener can be opened, reports kPasteCode and waits for PasteCode) and tells `report`
  // (which must stay until the flow is cancelled or destroyed). A sign-in under way is
  // cancelled first.
  void Start(std::u16string_view typed, SignInReport& report);
  // Revokes and forgets the token kept for the server typed in `typed`, on a worker; reports
  // kSignedOut, or kRefused when the store would not forget it. Cancels a sign-in under way.
  void SignOut(std::u16string_view typed, SignInReport& report);
  // Goes on with the code the user pasted after a kPasteCode report.
  void PasteCode(std::u16string_view code);
  // Closes the listener; a late answer is ignored and nothing is stored.
  void Cancel();

 private:
  struct Attempt;
  struct Part;
  enum class Step { kBrowse, kFinish, kSignOut, kDone };
  // A new attempt for the server typed in `typed` (kBrowse: with its state, verifier and
  // listener) that runs `step`; reports why instead when the address cannot be used.
  void Begin(std::u16string_view typed, SignInReport& report, Step step);
  // Runs `step` (kFinish with the pasted `code`) on a worker; its news, or its refusal, reaches
  // the attempt's report.
  void Run(Step step, std::u16string code = {});

  SignInParts parts_;
  std::shared_ptr<Attempt> attempt_;
};

}  // namespace poster::sign_in
