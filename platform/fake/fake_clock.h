// A fake clock and event pump: time moves only while the program waits for events.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace platform::fake {

class FakeClock : public Clock {
 public:
  std::uint64_t MonotonicMilliseconds() const override { return now; }
  std::uint64_t UtcMilliseconds() const override { return utc; }
  std::uint64_t now = 0;
  std::uint64_t utc = 1796688000042;  // 2026-12-08T00:00:00.042Z
};

// Events are scheduled at clock times. WaitForEvents advances the clock to the next due event
// or by the time asked for, whichever comes first; ProcessPendingEvents runs the due ones.
class FakeEventPump : public EventPump {
 public:
  explicit FakeEventPump(FakeClock& clock) : clock_(clock) {}

  void Schedule(std::uint64_t at, std::function<void()> event) {
    pending_.emplace(at, std::move(event));
  }

  void ProcessPendingEvents() override {
    ++processCalls;
    Guard();
    while (!pending_.empty() && pending_.begin()->first <= clock_.now) {
      auto event = std::move(pending_.begin()->second);
      pending_.erase(pending_.begin());
      event();
      ++eventsHandled;
    }
  }

  void WaitForEvents(std::uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    Guard();
    std::uint64_t until = clock_.now + milliseconds;
    if (!pending_.empty() && pending_.begin()->first < until) {
      until = std::max(clock_.now, pending_.begin()->first);
    }
    clock_.now = until;
  }

  std::vector<std::uint32_t> waits;
  int processCalls = 0;
  int eventsHandled = 0;
  // A loop that polls without letting time pass fails the test instead of hanging it.
  int callLimit = 10000;

 private:
  void Guard() {
    if (processCalls + static_cast<int>(waits.size()) > callLimit) {
      throw std::runtime_error("event pump polled without end");
    }
  }

  FakeClock& clock_;
  std::multimap<std::uint64_t, std::function<void()>> pending_;
};

}  // namespace platform::fake
