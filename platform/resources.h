// Reading resources of the program's own executable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Resources {
 public:
  virtual ~Resources() = default;
  // The bytes of the resource of named type `type` and numeric `id`; nullopt when missing.
  virtual std::optional<std::vector<std::uint8_t>> Read(const std::u16string& type, int id) = 0;
};

// The running program's own resources; lives as long as the program.
Resources& SystemResources();

}  // namespace platform
