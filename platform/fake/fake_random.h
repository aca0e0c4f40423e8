// A random-source fake: the bytes the test sets, repeated as often as asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/common/failure.h"
#include "platform/random.h"

namespace platform::fake {

class FakeRandom : public Random {
 public:
  void Fill(void* bytes, std::size_t count) override {
    if (failure) throw *failure;
    auto* out = static_cast<std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < count; ++i)
      out[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
  }
  std::vector<std::uint8_t> pattern{0x5a, 0x17, 0xc3, 0x81};
  std::optional<Failure> failure;
};

}  // namespace platform::fake
