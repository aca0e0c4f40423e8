// A Mastodon-compatible server behind the window: its words, its count and limits, and the
// post through its client API with the user's access token.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "poster/mastodon/mastodon.h"
#include "poster/status_service.h"

namespace poster {

class MastodonService : public StatusService, public std::enable_shared_from_this<MastodonService> {
 public:
  // Posts to the server at the status address.
  explicit MastodonService(const StatusServiceParts& parts);

  std::u16string Intake(std::u16string_view raw, bool fromLink) const override;
  CounterLook Counter(std::u16string_view text) const override;
  void LearnLimits(platform::Background& background, std::function<void()> learned) override;
  std::optional<Notice> Refusal(const PostInput& input) override;
  std::optional<Notice> Question(const PostInput& input) const override;
  SendOutcome Send(const PostInput& input) override;
  SendOutcome Unsent(const PostInput& input, const platform::Failure& failure) override;

 private:
  std::u16string server_;  // empty when the address cannot be used
  std::u16string name_;    // the server as the boxes name it
  web::StatusLimits limits_ = web::kDefaultStatusLimits;
  // The text of the last post that may have arrived without an answer; empty when none.
  std::u16string maybeSent_;
  platform::HttpClient& http_;
  RunSeed& runSeed_;
};

}  // namespace poster
