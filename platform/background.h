// Work that runs away from the window's thread, its result handed back on that thread.
#pragma once

#include <functional>

namespace platform {

class Background {
 public:
  virtual ~Background() = default;
  // Runs `work` on a worker thread (started once the window's thread has drawn what it was
  // asked to, so that the work does not hold up the window), then `done` on the window's
  // thread from its message loop
  // (never inside `Run`, never while a modal box of the program's own is being handled by a
  // handler that has not returned). `work` must not touch the window or its controls; it may
  // throw nothing (an escaping exception ends the work silently, and `done` still runs). When
  // the program ends first, `done` is dropped. Never blocks the caller; if no thread can be
  // started, `work` is dropped and `done` runs later as usual.
  virtual void Run(std::function<void()> work, std::function<void()> done) = 0;
};

// The running system's background worker; lives as long as the program.
Background& SystemBackground();

}  // namespace platform
