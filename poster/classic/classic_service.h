// The classic status service: a form POST with HTTP Basic, its reply judged by its marker.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "poster/status_service.h"

namespace poster {

class ClassicService : public StatusService {
 public:
  // Posts to the status address as the user named in the window.
  explicit ClassicService(const StatusServiceParts& parts);

  std::u16string Intake(std::u16string_view raw, bool fromLink) const override;
  CounterLook Counter(std::u16string_view text) const override;
  std::optional<Notice> Refusal(const PostInput& input) override;
  SendOutcome Send(const PostInput& input) override;
  SendOutcome Unsent(const PostInput& input, const platform::Failure& failure) override;

 private:
  std::u16string address_;
  std::u16string name_;
  platform::HttpClient& http_;
};

}  // namespace poster
