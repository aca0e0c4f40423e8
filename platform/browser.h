// The user's own web browser, as any program opens a link in it.
#pragma once

#include <string>

namespace platform {

class Browser {
 public:
  // Asks the system to open `address` (an https:// address) in the user's default browser and
  // returns without waiting for it; from any thread. Throws Failure when the system cannot.
  virtual void Open(const std::u16string& address) = 0;

 protected:
  // Never deleted through this interface: each lives as long as the program or its owner.
  ~Browser() = default;
};

// The running system's browser; lives as long as the program.
Browser& SystemBrowser();

}  // namespace platform
