#include "poster/bluesky/bluesky_service.h"

#include <algorithm>
#include <utility>

#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "poster/bluesky/bluesky.h"
#include "poster/link_intake.h"
#include "poster/mastodon/mastodon_texts.h"
#include "poster/short_link/link_shortening.h"
#include "poster/web/json_reader.h"
#include "poster/web/service_settings.h"

namespace poster {
namespace {

constexpr char16_t kNothingSent[] = u"\n\nNothing was sent; your text is still here.";

std::u16string Handle(std::u16string_view typed) {
  if (typed.starts_with(u'@')) typed.remove_prefix(1);
  return platform::AsciiLower(typed);
}

Notice Whoops(std::u16string text) {
  return {u"Whoops!", std::move(text)};
}

std::optional<platform::StoredSecret> FindSecret(platform::SecretStore& secrets,
                                                 const std::u16string& target) {
  try {
    return secrets.Find(target);
  } catch (const platform::Failure&) {
    return std::nullopt;  // as if none were kept: the app password signs in anew
  }
}

Notice SignInRefused(const web::WebReply& reply, std::u16string_view handle) {
  if (web::ReplyString(reply.body, u"error") == u"AuthFactorTokenRequired") {
    return Whoops(
        platform::Joined({u"Bluesky asks for an e-mail code when you sign in with your account "
                          u"password. Use an app password: make one in Bluesky under "
                          u"Settings > Privacy and security > App passwords.",
                          kNothingSent}));
  }
  return Whoops(platform::Joined({u"Bluesky did not sign you in as @", handle, u". It advises:\n\n",
                                  web::XrpcErrorText(reply.body),
                                  u"\n\nCheck your handle and app password.", kNothingSent}));
}

}  // namespace

BlueskyService::BlueskyService(const StatusServiceParts& parts)
    : pds_(parts.addresses.status.address),
      name_(parts.addresses.statusName),
      http_(parts.http),
      runSeed_(parts.runSeed),
      clock_(parts.clock),
      environment_(parts.environment),
      secrets_(parts.secrets) {
  if (name_ == web::kBuiltInStatusName) name_ = u"Bluesky";
  if (pds_ != web::kBuiltInStatusAddress) server_ = pds_;
  settingsProblem_ = parts.addresses.status.problem;
  if (!server_.empty() && settingsProblem_.empty() &&
      !platform::StartsWithAsciiNoCase(pds_, u"https://")) {
    settingsProblem_ = platform::Joined(
        {u"The setting ", web::kStatusAddressSetting, u" in ", parts.settingsLocation, u" is \"",
         pds_, u"\", and a Bluesky server's address begins with https://.\n\nNothing was sent."});
  }
  words_ = web::MastodonWindowWords();
  words_->userNameLabel = u"Your Handle";
  words_->passwordLabel = u"Your App Password";
  words_->keepsPassword = false;
  preparedAddress_ =
      platform::Joined({server_.empty() ? web::kBlueskyEntryway : server_, u"/xrpc/"});
}

std::u16string BlueskyService::Intake(std::u16string_view raw, bool fromLink) const {
  // A link's text is only made tidy there; the cut is this service's.
  constexpr web::StatusLimits kUncut{web::kHighestStatusLimit, 0};
  return web::CutToBlueskyLimits(fromLink ? LinkStatusText(raw, &kUncut) : TrimSpaces(raw));
}

CounterLook BlueskyService::Counter(std::u16string_view text) const {
  const web::BlueskyLength length = web::MeasureBluesky(text);
  return web::CounterLookFor(
      length.graphemes, length.Over(),
      length.graphemes > web::kBlueskyMostGraphemes ? u"300" : u"3000 bytes");
}

std::optional<Notice> BlueskyService::Refusal(const PostInput& input) {
  const std::u16string handle = Handle(input.userName);
  if (handle.empty()) {
    return Whoops(u"Sorry, you need to enter your handle, such as alice.bsky.social.");
  }
  if (input.password.empty() && !SignedInAs(handle) && !FindSecret(secrets_, Target(handle))) {
    return Whoops(u"Sorry, you need to enter your app password.");
  }
  if (input.status.empty()) return web::EmptyPostBox(u"300");
  if (web::MeasureBluesky(input.status).Over()) {
    return web::TooLongPostBox(u"300 characters and 3000 bytes", name_);
  }
  return std::nullopt;
}

std::optional<Notice> BlueskyService::Question(const PostInput& input) const {
  if (maybeSent_.empty() || input.status == maybeSent_) return std::nullopt;
  return web::MastodonEditedAfterMaybeSentQuestion(name_);
}

bool BlueskyService::SignedInAs(std::u16string_view handle) const {
  return !session_.accessJwt.empty() && Handle(session_.handle) == handle;
}

std::u16string BlueskyService::Target(std::u16string_view handle) const {
  return platform::Joined({u"Lumora:Bluesky:", server_, u":", handle});
}

void BlueskyService::Adopt(web::BlueskySession session) {
  session_ = std::move(session);
  try {
    secrets_.Keep(
        target_,
        {session_.did, platform::EncodeUtf8(platform::Joined({pds_, u"\n", session_.refreshJwt}))});
  } catch (const platform::Failure&) {
    // Kept in memory for this run; the next run signs in with the app password.
  }
}

void BlueskyService::ForgetSession() {
  session_ = {};
  try {
    secrets_.Forget(target_);
  } catch (const platform::Failure&) {
    // A refused token stays refused; the next sign-in replaces it.
  }
}

std::optional<Notice> BlueskyService::SignIn(web::WebExchange& exchange, const PostInput& input) {
  const std::u16string handle = Handle(input.userName);
  if (SignedInAs(handle)) return std::nullopt;
  target_ = Target(handle);
  if (const auto kept = FindSecret(secrets_, target_)) {
    const std::u16string value = platform::DecodeUtf8(kept->secret);
    const std::size_t newline = value.find(u'\n');
    if (newline != std::u16string::npos) {
      pds_ = std::u16string_view(value).substr(0, newline);
      session_.did = kept->account;
      session_.refreshJwt = std::u16string_view(value).substr(newline + 1);
      std::optional<Notice> ended = Renew(exchange);
      if (!ended || input.password.empty()) return ended;
    }
  }
  pds_ = server_.empty() ? web::FindPds(exchange, web::kBlueskyEntryway, handle) : server_;
  web::SessionAnswer answer = web::CreateSession(exchange, pds_, handle, input.password);
  if (!answer.session) return SignInRefused(answer.reply, handle);
  Adopt(std::move(*answer.session));
  return std::nullopt;
}

std::optional<Notice> BlueskyService::Renew(web::WebExchange& exchange) {
  web::SessionAnswer answer = web::RefreshSession(exchange, pds_, session_.refreshJwt);
  if (answer.session && answer.session->did == session_.did) {
    Adopt(std::move(*answer.session));
    return std::nullopt;
  }
  ForgetSession();
  return Whoops(
      platform::Joined({u"Your Bluesky sign-in has ended. Bluesky advises:\n\n",
                        web::XrpcErrorText(answer.reply.body),
                        u"\n\nType your app password and send again to sign in.", kNothingSent}));
}

const std::u16string& BlueskyService::KeyFor(const std::u16string& status) {
  if (key_.empty() || status != keyText_) {
    // Later than every key this run chose, whatever the clock did meanwhile.
    lastMicroseconds_ = std::max(clock_.UtcMilliseconds() * 1000, lastMicroseconds_ + 1);
    key_ = web::Tid(lastMicroseconds_, static_cast<std::uint32_t>(runSeed_.Value()));
    keyText_ = status;
  }
  return key_;
}

SendOutcome BlueskyService::Verdict(const web::WebReply& reply) const {
  if (reply.status == 200 && web::JsonObject::Parse(reply.body)) {
    const auto address = web::PostWebAddress(session_.handle, web::ReplyString(reply.body, u"uri"));
    const std::u16string_view addressLine = address ? std::u16string_view(*address) : u"";
    return {{u"Congratulations!", platform::Joined({u"Signed in as @", session_.handle,
                                                    u".\n\nYour post was published on ", name_,
                                                    u".", address ? u"\n\n" : u"", addressLine})},
            true,
            true};
  }
  const web::MastodonVerdict verdict{
      web::MastodonVerdict::Kind::kRefused, web::XrpcErrorText(reply.body),
      reply.status == 429 ? web::RetrySentence(web::ResetSecondsTime(reply.rateLimitReset))
                          : std::u16string()};
  return {web::MastodonVerdictBox(verdict, name_, pds_)};
}

SendOutcome BlueskyService::Send(const PostInput& input) {
  web::HttpWebExchange exchange(http_);
  if (std::optional<Notice> refused = SignIn(exchange, input)) return {std::move(*refused)};
  const std::u16string& key = KeyFor(input.status);
  if (maybeSent_ == input.status) {
    // The earlier post may be there already: a second record with its key would fail.
    const web::WebReply found = web::GetPost(exchange, pds_, session_.did, key);
    if (found.status == 200) return Verdict(found);
  }
  maybeSent_.clear();
  const std::u16string createdAt = web::IsoUtcTime(clock_.UtcMilliseconds());
  const std::u16string language = environment_.UserLanguage();
  const std::u16string page =
      input.pageAddress.empty() ? std::u16string() : web::WithWebScheme(input.pageAddress);
  const std::string body = web::PostRecordBody(
      session_.did, key, {input.status, createdAt, language, page, input.pageTitle});
  web::WebReply reply = web::CreateRecord(exchange, pds_, session_.accessJwt, body);
  if (reply.status == 400 && web::ReplyString(reply.body, u"error") == u"ExpiredToken") {
    if (std::optional<Notice> refused = Renew(exchange)) return {std::move(*refused)};
    reply = web::CreateRecord(exchange, pds_, session_.accessJwt, body);
  }
  return Verdict(reply);
}

SendOutcome BlueskyService::Unsent(const PostInput& input, const platform::Failure& failure) {
  if (failure.MayHaveArrived() && input.status == keyText_) maybeSent_ = input.status;
  return {failure.MayHaveArrived() ? web::MastodonMaybeSentBox(failure.Description(), name_)
                                   : web::MastodonUnsentBox(failure.Description())};
}

}  // namespace poster
