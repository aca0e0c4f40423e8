// Unpredictable bytes from the system's cryptographic random generator.
#pragma once

#include <cstddef>

namespace platform {

class Random {
 public:
  virtual ~Random() = default;
  // Fills `count` bytes at `bytes` (owned by the caller) with bytes no one can predict or learn
  // from other output of the program. Throws Failure when the system's generator fails.
  virtual void Fill(void* bytes, std::size_t count) = 0;
};

// The system's generator; lives as long as the program.
Random& SystemRandom();

}  // namespace platform
