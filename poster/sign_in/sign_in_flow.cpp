#include "poster/sign_in/sign_in_flow.h"

#include <atomic>
#include <optional>
#include <utility>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/sign_in/pkce.h"
#include "poster/sign_in/sign_in.h"
#include "poster/text_rules.h"
#include "poster/web/web_exchange.h"

namespace poster::sign_in {

struct SignInFlow::Attempt {
  SignInParts parts;
  SignInReport& report;
  std::atomic<bool> cancelled = false;  // set on the window's thread
  // Window's thread only: the server's page shows a code to paste, which goes out once.
  bool awaitingCode = false, codeSent = false;
  std::optional<std::u16string> signedOutToken;  // forgotten before the worker revokes it
  std::u16string origin, state, verifier, redirect;
  Client client;
  // Both threads hold the attempt, so it outlives their use of the listener.
  std::unique_ptr<platform::LoopbackListener> listener;
  // Also what the window hears when no worker could be started.
  SignInNews news{SignInNews::Kind::kRefused, u"Lumora could not start the sign-in."};

  // The token for `code`, confirmed and kept: the last step.
  SignInNews Finish(std::u16string_view code) {
    web::HttpWebExchange exchange(parts.http);
    const std::u16string token =
        ExchangeCode(exchange, parts.settings, origin, client, redirect, code, verifier);
    const std::u16string account = VerifiedAccount(exchange, origin, token);
    // A dialog closed meanwhile keeps nothing.
    if (!cancelled) {
      parts.system.secrets.Keep(TokenTarget(origin),
                                {account, std::string(token.begin(), token.end())});
    }
    return {SignInNews::Kind::kSignedIn, account};
  }

  // Registers, opens the browser, and takes the listener's one request.
  SignInNews Browse() {
    web::HttpWebExchange exchange(parts.http);
    client = Registration(exchange, parts.settings, origin);
    parts.system.browser.Open(AuthorizeAddress(origin, client, redirect, state, verifier));
    if (!listener) {
      return {SignInNews::Kind::kPasteCode,
              u"Approve Lumora on the server's page in your browser, paste the code it shows "
              u"into Code and press Sign in again."};
    }
    const std::optional<std::u16string> target =
        listener->Wait(kCallbackSeconds,
                       "<!DOCTYPE html><title>Lumora</title><p>Lumora has the server's answer. "
                       "You can close this tab.");
    if (!target) return {SignInNews::Kind::kRefused, u"No answer came from the browser."};
    return Finish(CallbackCode(*target, state));
  }

  SignInNews SignOut() {
    web::HttpWebExchange exchange(parts.http);
    // Nothing was kept: nothing to revoke.
    const bool revoked =
        !signedOutToken || RevokeToken(exchange, parts.settings, origin, *signedOutToken);
    return {SignInNews::Kind::kSignedOut,
            revoked ? u""
                    : u"Lumora has forgotten the token, but the server could not revoke it: "
                      u"revoke Lumora in your account's settings on the server."};
  }

  SignInNews Take(Step step, std::u16string_view code) {
    if (step == Step::kBrowse) return Browse();
    return step == Step::kFinish ? Finish(code) : SignOut();
  }

  // On the worker: the step's news, or its refusal.
  void Work(Step step, std::u16string_view code) {
    try {
      news = Take(step, code);
    } catch (const platform::Failure& failure) {
      news = {SignInNews::Kind::kRefused, failure.Description()};
    }
    if (listener) listener->Close();
  }
};

// Both halves of a step share one target type, so one std::function handler serves them.
struct SignInFlow::Part {
  std::shared_ptr<Attempt> attempt;
  Step step;  // kDone: the half on the window's thread
  std::u16string code;
  void operator()() const {
    if (step != Step::kDone) return attempt->Work(step, code);
    attempt->awaitingCode = attempt->news.kind == SignInNews::Kind::kPasteCode;
    if (!attempt->cancelled) attempt->report.Report(attempt->news);
  }
};

void SignInFlow::Run(Step step, std::u16string code) {
  // The worker may outlive this object: it holds the attempt, never `this`.
  parts_.background.Run(Part{attempt_, step, std::move(code)}, Part{attempt_, Step::kDone});
}

void SignInFlow::Begin(std::u16string_view typed, SignInReport& report, Step step) {
  Cancel();
  attempt_.reset(new Attempt{parts_, report});
  Attempt& attempt = *attempt_;
  try {
    attempt.origin = ServerOrigin(typed);
    // Forgotten at once, so a window that looks again finds no account even while the server
    // is still being asked to revoke it.
    if (step == Step::kSignOut)
      attempt.signedOutToken = ForgetToken(parts_.system.secrets, attempt.origin);
    if (step == Step::kBrowse) {
      attempt.state = RandomToken(parts_.random);
      attempt.verifier = RandomToken(parts_.random);
      attempt.redirect = kPastedCodeRedirect;
      try {
        attempt.listener = parts_.system.listeners.Open();
        attempt.redirect = u"http://127.0.0.1:";
        attempt.redirect.append(platform::DecimalText(attempt.listener->Port()))
            .append(u"/callback");
      } catch (const platform::Failure&) {
        // The server then shows the code for the user to paste.
      }
    }
  } catch (const platform::Failure& failure) {
    return report.Report({SignInNews::Kind::kRefused, failure.Description()});
  }
  Run(step);
}

void SignInFlow::SignOut(std::u16string_view typed, SignInReport& report) {
  Begin(typed, report, Step::kSignOut);
}

void SignInFlow::Start(std::u16string_view typed, SignInReport& report) {
  Begin(typed, report, Step::kBrowse);
}

void SignInFlow::PasteCode(std::u16string_view code) {
  // Only once this attempt's page has asked for a code, and only once: a second press while the
  // first code is on its way would race it for the attempt's news.
  if (!attempt_ || !attempt_->awaitingCode || std::exchange(attempt_->codeSent, true)) {
    return;
  }
  Run(Step::kFinish, TrimSpaces(code));
}

void SignInFlow::Cancel() {
  if (!attempt_) return;
  attempt_->cancelled = true;
  if (attempt_->listener) attempt_->listener->Close();
  attempt_.reset();
}

}  // namespace poster::sign_in
