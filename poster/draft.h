// The status box's text as the window took it in, kept so that a count learned later can cut
// the same source again while the user has not changed what was shown.
#pragma once

#include <string>

#include "platform/controls.h"
#include "poster/status_service.h"

namespace poster {

class Draft {
 public:
  explicit Draft(platform::TextBox& box) : box_(box) {}

  // Shows `text`, the intake of `raw` (a link's text when `fromLink`), in the box and keeps
  // both. Throws what the box's change handler throws; what was kept stays kept.
  void Show(std::u16string raw, std::u16string text, bool fromLink);
  // While the box still holds what Show put there, shows `service`'s intake of the same source
  // when it differs; true when the box changed (its change handler has run then).
  bool CutAgain(const StatusService& service);

 private:
  platform::TextBox& box_;
  std::u16string raw_;
  std::u16string shown_;
  bool fromLink_ = false;
};

}  // namespace poster
