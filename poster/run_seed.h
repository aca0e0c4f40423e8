// This run's seed for the idempotency keys of its requests.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/random.h"

namespace poster {

// Drawn from the system's generator at the first request that needs it, so that a key tells
// the server nothing about this machine and differs from one run to the next.
class RunSeed {
 public:
  explicit RunSeed(platform::Random& random) : random_(random) {}

  // The seed, the same for the whole run once drawn. Throws platform::Failure when the
  // generator fails; the next call draws again.
  std::uint64_t Value() {
    if (!seed_) {
      std::uint64_t seed = 0;
      random_.Fill(&seed, sizeof seed);
      seed_ = seed;
    }
    return *seed_;
  }

 private:
  platform::Random& random_;
  std::optional<std::uint64_t> seed_;
};

}  // namespace poster
