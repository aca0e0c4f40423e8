#include "poster/sign_in/sign_in_flow.h"

#include <optional>
#include <utility>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/sign_in/pkce.h"
#include "poster/sign_in/sign_in.h"
#include "poster/text_rules.h"
#include "poster/web/web_exchange.h"

namespace poster::sign_in {
namespace {

constexpr char kClosePage[] =
    "<!DOCTYPE html><title>Lumora</title><p>Lumora has the server's answer. You can close this "
    "tab.";

}  // namespace

struct SignInFlow::Attempt {
  Report report;
  bool cancelled = false;  // read and written on the window's thread only
  std::u16string origin, state, verifier, redirect;
  Client client;
  std::shared_ptr<platform::LoopbackListener> listener;
};

namespace {

// The token for `code`, confirmed and kept: the last step, on a worker.
SignInNews Finish(const SignInParts& parts, const auto& attempt, std::u16string_view code) {
  web::HttpWebExchange exchange(parts.http);
  const std::u16string token =
      ExchangeCode(exchange, parts.settings, attempt.origin, attempt.client, attempt.redirect, code,
                   attempt.verifier);
  const std::u16string account = VerifiedAccount(exchange, attempt.origin, token);
  parts.system.secrets.Keep(TokenTarget(attempt.origin),
                            {account, std::string(token.begin(), token.end())});
  return {SignInNews::Kind::kSignedIn, account};
}

}  // namespace

void SignInFlow::Continue(std::shared_ptr<Attempt> attempt,
                          std::function<SignInNews(Attempt&)> step,
                          std::function<void(Attempt&)> then) {
  // The worker may outlive this object: it holds the services and the attempt, never `this`.
  auto news = std::make_shared<SignInNews>(
      SignInNews{SignInNews::Kind::kRefused, u"The sign-in stopped unexpectedly."});
  parts_.background.Run(
      [attempt, news, step = std::move(step)] {
        try {
          *news = step(*attempt);
        } catch (const platform::Failure& failure) {
          *news = {SignInNews::Kind::kRefused, failure.Description()};
        }
      },
      [attempt, news, then = std::move(then)] {
        if (attempt->cancelled) return;
        if (then && news->kind != SignInNews::Kind::kRefused) return then(*attempt);
        attempt->report(*news);
      });
}

void SignInFlow::Start(std::u16string_view typed, Report report) {
  Cancel();
  attempt_ = std::make_shared<Attempt>();
  attempt_->report = std::move(report);
  try {
    attempt_->origin = ServerOrigin(typed);
  } catch (const platform::Failure& failure) {
    return attempt_->report({SignInNews::Kind::kRefused, failure.Description()});
  }
  Continue(
      attempt_,
      [parts = parts_](Attempt& attempt) {
        web::HttpWebExchange exchange(parts.http);
        attempt.client = Registration(exchange, parts.settings, attempt.origin);
        return SignInNews{SignInNews::Kind::kPasteCode, {}};
      },
      [this](Attempt& attempt) { OpenBrowser(attempt); });
}

void SignInFlow::OpenBrowser(Attempt& attempt) {
  try {
    attempt.state = RandomToken(parts_.random);
    attempt.verifier = RandomToken(parts_.random);
    try {
      attempt.listener = parts_.system.listeners.Open();
      attempt.redirect =
          u"http://127.0.0.1:" + platform::DecimalText(attempt.listener->Port()) + u"/callback";
    } catch (const platform::Failure&) {
      attempt.redirect = kPastedCodeRedirect;
    }
    parts_.system.browser.Open(AuthorizeAddress(attempt.origin, attempt.client, attempt.redirect,
                                                attempt.state, attempt.verifier));
  } catch (const platform::Failure& failure) {
    if (attempt.listener) attempt.listener->Close();
    return attempt.report(
        {SignInNews::Kind::kRefused, u"The sign-in could not start: " + failure.Description()});
  }
  if (!attempt.listener) {
    return attempt.report(
        {SignInNews::Kind::kPasteCode,
         u"Approve Lumora on the server's page in your browser, then paste the code it shows "
         u"into the Code box and press Sign in again."});
  }
  Continue(attempt_, [parts = parts_](Attempt& waiting) {
    const std::optional<std::u16string> target =
        waiting.listener->Wait(kCallbackSeconds, kClosePage);
    if (!target) {
      return SignInNews{SignInNews::Kind::kRefused,
                        u"No answer came from the browser within five minutes.\n\nNothing was "
                        u"stored."};
    }
    return Finish(parts, waiting, CallbackCode(*target, waiting.state));
  });
}

void SignInFlow::PasteCode(std::u16string_view code) {
  if (!attempt_ || attempt_->listener || attempt_->verifier.empty()) return;
  Continue(attempt_, [parts = parts_, code = TrimSpaces(code)](Attempt& attempt) {
    return Finish(parts, attempt, code);
  });
}

void SignInFlow::Cancel() {
  if (!attempt_) return;
  attempt_->cancelled = true;
  if (attempt_->listener) attempt_->listener->Close();
  attempt_.reset();
}

}  // namespace poster::sign_in
