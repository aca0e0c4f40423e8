#include "poster/draft.h"

#include <utility>

namespace poster {

void Draft::Show(std::u16string raw, std::u16string text, bool fromLink) {
  raw_ = std::move(raw);
  shown_ = std::move(text);
  fromLink_ = fromLink;
  box_.SetText(shown_);
}

bool Draft::CutAgain(const StatusService& service) {
  if (raw_.empty() || box_.Text() != shown_) return false;
  std::u16string again = service.Intake(raw_, fromLink_);
  if (again == shown_) return false;
  shown_ = std::move(again);
  box_.SetText(shown_);
  return true;
}

}  // namespace poster
