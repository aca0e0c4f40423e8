// Time and waiting without spinning: the clock and the window event pump.
#pragma once

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary start; never goes back, not reset at midnight.
  virtual std::uint64_t MonotonicMilliseconds() const = 0;
  // The system's time of day in UTC, as milliseconds since 1970-01-01; may jump when the user or
  // the network sets the clock.
  virtual std::uint64_t UtcMilliseconds() const = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles every pending window event of the program, then returns.
  virtual void ProcessPendingEvents() = 0;
  // Sleeps until a window event is pending or `milliseconds` have passed.
  virtual void WaitForEvents(std::uint32_t milliseconds) = 0;
};

// The running system's clock; lives as long as the program.
Clock& SystemClock();

// The running system's event pump; lives as long as the program.
EventPump& SystemEventPump();

}  // namespace platform
