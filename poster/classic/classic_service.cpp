#include "poster/classic/classic_service.h"

#include "platform/common/text.h"
#include "poster/classic/status_update.h"
#include "poster/link_intake.h"
#include "poster/web/reply_rules.h"

namespace poster {

ClassicService::ClassicService(const StatusServiceParts& parts)
    : address_(parts.addresses.status.address),
      name_(parts.addresses.statusName),
      http_(parts.http) {
  preparedAddress_ = address_;
  settingsProblem_ =
      parts.settingsProblem.empty() ? parts.addresses.status.problem : parts.settingsProblem;
}

std::u16string ClassicService::Intake(std::u16string_view raw, bool fromLink) const {
  return fromLink ? LinkStatusText(raw) : IntakeText(raw);
}

CounterLook ClassicService::Counter(std::u16string_view text) const {
  return CounterFor(text.size());
}

std::optional<Notice> ClassicService::Refusal(const PostInput& input) {
  if (input.userName.empty()) {
    return Notice{u"Whoops!", u"Sorry, you need to enter your Twitter Username."};
  }
  if (input.password.empty()) {
    return Notice{u"Whoops!", u"Sorry, you need to enter your Twitter Password."};
  }
  if (input.status.empty()) {
    return Notice{u"Whoops!", u"Sorry, a Tweet may be between 1 and 140 characters in length."};
  }
  if (input.status.size() > kMaxStatusLength) {
    return Notice{u"Your Tweet exceeds the maximum length allowed by Twitter",
                  u"Please adjust the text in your Tweet so that it is within 140 characters."};
  }
  return std::nullopt;
}

SendOutcome ClassicService::Send(const PostInput& input) {
  const std::u16string response =
      web::PostStatus(http_, address_, input.status, {input.userName, input.password});
  if (web::IsSuccessReply(response)) {
    return {{u"Congratulations!", u"Your Tweet was sent successfully to all of your followers!"},
            true,
            true};
  }
  return {{u"Whoops!", platform::Joined({u"The Tweet failed. ", name_, u" advises:\n\n",
                                         web::ReplyExcerpt(response)})},
          false,
          true};
}

SendOutcome ClassicService::Unsent(const PostInput& /*input*/, const platform::Failure& failure) {
  return {{u"Whoops!", platform::Joined({u"Your Tweet could not be sent: ", failure.Description(),
                                         u"\n\nNothing was posted. Your text is still here, so "
                                         u"you can try again."})}};
}

}  // namespace poster
