// A clipboard fake: its text as the test sets it, and how often it was read.
#pragma once

#include <string>

#include "platform/clipboard.h"

namespace platform::fake {

class FakeClipboard : public Clipboard {
 public:
  std::u16string ReadText() override {
    ++reads;
    return text;
  }
  std::u16string text;
  int reads = 0;
};

}  // namespace platform::fake
