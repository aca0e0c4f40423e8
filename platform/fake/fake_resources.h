// Recording fake of the program's resources: a table of (type, id) to bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/resources.h"

namespace platform::fake {

class FakeResources : public Resources {
 public:
  std::optional<std::vector<std::uint8_t>> Read(const std::u16string& type, int id) override {
    reads.emplace_back(type, id);
    auto it = table.find({type, id});
    if (it == table.end()) return std::nullopt;
    return it->second;
  }

  std::map<std::pair<std::u16string, int>, std::vector<std::uint8_t>> table;
  std::vector<std::pair<std::u16string, int>> reads;
};

}  // namespace platform::fake
