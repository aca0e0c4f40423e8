// Reading the clipboard's text.
#pragma once

#include <string>

namespace platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The clipboard's text as Unicode (the system converts text offered only as ANSI).
  // Never fails: an empty, non-text or locked clipboard gives the empty string.
  virtual std::u16string ReadText() = 0;
};

// The running system's clipboard; lives as long as the program.
Clipboard& SystemClipboard();

}  // namespace platform
