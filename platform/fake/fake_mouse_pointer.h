// A mouse-pointer fake: every pointer set, in order.
#pragma once

#include <vector>

#include "platform/mouse_pointer.h"

namespace platform::fake {

class FakeMousePointer : public MousePointer {
 public:
  void Set(Pointer p) override { history.push_back(p); }
  Pointer Current() const { return history.empty() ? Pointer::kDefault : history.back(); }
  std::vector<Pointer> history;
};

}  // namespace platform::fake
