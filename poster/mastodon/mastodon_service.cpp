#include "poster/mastodon/mastodon_service.h"

#include <memory>
#include <utility>

#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/link_intake.h"
#include "poster/mastodon/mastodon_client.h"
#include "poster/mastodon/mastodon_texts.h"

namespace poster {
namespace {

// A question for a server's limits, from the worker's ask to the window thread's answer.
struct LimitsQuestion {
  std::u16string server;
  platform::HttpClient& http;
  web::StatusLimits& limits;  // the service's own
  std::function<void()> learned;
  web::StatusLimits fetched;
};

// Either half of the question: one callable type for both, so the program carries one copy of
// its std::function plumbing rather than two.
struct LimitsStep {
  LimitsQuestion* question;
  bool answer;  // false: ask the server (on the worker); true: take what it said

  void operator()() const {
    if (!answer) {
      web::HttpWebExchange exchange(question->http);
      question->fetched = web::FetchStatusLimits(exchange, question->server);
      return;
    }
    const std::unique_ptr<LimitsQuestion> owned(question);
    owned->limits = owned->fetched;
    owned->learned();
  }
};

}  // namespace

MastodonService::MastodonService(const StatusServiceParts& parts)
    : server_(parts.addresses.status.address),
      name_(parts.addresses.statusName),
      http_(parts.http),
      runSeed_(parts.runSeed) {
  // The built-in address and name are the classic service's: the server needs its own
  // address, and its host names it better than that name. The built-in address is an http://
  // one, as no address that carries the token may be.
  settingsProblem_ = parts.addresses.status.problem;
  if (web::IsPlainHttp(server_)) {
    const bool empty = server_ == web::kBuiltInStatusAddress;
    settingsProblem_ =
        platform::Joined({u"The setting ", web::kStatusAddressSetting, u" in ",
                          parts.settingsLocation, empty ? u" is empty" : u" is \"",
                          empty ? std::u16string_view() : std::u16string_view(server_),
                          empty ? u"" : u"\"", web::kHttpsOnlyRule, u"\n\nNothing was sent."});
  }
  if (name_ == web::kBuiltInStatusName) {
    if (const auto url = platform::ParseWebUrl(server_)) name_ = url->host;
  }
  // Links count less than they are long: the server's counter, not the box, sets the bound.
  words_ = web::MastodonWindowWords();
  if (!server_.empty()) preparedAddress_ = web::MastodonEndpoint(server_, web::kStatusesPath);
}

std::u16string MastodonService::Intake(std::u16string_view raw, bool fromLink) const {
  if (fromLink) return LinkStatusText(raw, &limits_);
  return web::CutToLimit(TrimSpaces(raw), limits_);
}

CounterLook MastodonService::Counter(std::u16string_view text) const {
  return web::MastodonCounterFor(text, limits_);
}

void MastodonService::LearnLimits(platform::Background& background, std::function<void()> learned) {
  if (!settingsProblem_.empty()) return;
  // The answer owns the question; dropped with the program when the program ends first.
  auto* question = new LimitsQuestion{server_, http_, limits_, std::move(learned), {}};
  background.Run(LimitsStep{question, false}, LimitsStep{question, true});
}

std::optional<Notice> MastodonService::Refusal(const PostInput& input) {
  Notice refusal = web::MastodonInputProblem(input.password, input.status, limits_, name_);
  if (refusal.title.empty()) return std::nullopt;
  return refusal;
}

std::optional<Notice> MastodonService::Question(const PostInput& input) const {
  // The same text goes with the same key, which the server takes once; another text would not.
  if (maybeSent_.empty() || input.status == maybeSent_) return std::nullopt;
  return web::MastodonEditedAfterMaybeSentQuestion(server_);
}

SendOutcome MastodonService::Send(const PostInput& input) {
  if (input.status != maybeSent_) maybeSent_.clear();  // the user chose to send it anew
  const std::uint64_t seed = runSeed_.Value();
  web::HttpWebExchange exchange(http_);
  const web::MastodonVerdict verdict =
      web::PostStatus(exchange, server_, input.password, input.status, seed);
  maybeSent_.clear();
  const bool published = verdict.kind == web::MastodonVerdict::Kind::kPublished;
  // A refused post leaves the window as it was, to change and send again.
  return {web::MastodonVerdictBox(verdict, name_, server_), published, published};
}

SendOutcome MastodonService::Unsent(const PostInput& input, const platform::Failure& failure) {
  if (failure.MayHaveArrived()) maybeSent_ = input.status;
  return {failure.MayHaveArrived() ? web::MastodonMaybeSentBox(failure.Description(), server_)
                                   : web::MastodonUnsentBox(failure.Description())};
}

}  // namespace poster
