// Settings held in a map; a name can be made to fail as an unreadable or unwritable value does.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/all_or_none.h"
#include "platform/common/failure.h"
#include "platform/settings.h"

namespace platform::fake {

class FakeSettings : public Settings {
 public:
  std::optional<std::u16string> Text(const std::u16string& name) const override {
    reads.push_back(name);
    if (auto failure = failing.find(name); failure != failing.end()) throw failure->second;
    auto it = values.find(name);
    return it == values.end() ? std::nullopt : std::optional<std::u16string>(it->second);
  }
  std::u16string Location() const override { return location; }
  void SetText(const std::u16string& name, const std::u16string& text) override {
    Write(name);
    values[name] = text;
  }
  void Remove(const std::u16string& name) override {
    Write(name);
    values.erase(name);
  }
  // All or none, undoing through the map itself, so a failing name fails only its own write.
  void Change(const std::vector<SettingChange>& changes) override {
    std::vector<std::optional<std::u16string>> before;
    for (const auto& change : changes) {
      const auto it = values.find(change.name);
      before.push_back(it == values.end() ? std::nullopt : std::optional(it->second));
    }
    AllOrNone(
        changes.size(),
        [&](std::size_t i) {
          if (changes[i].text) return SetText(changes[i].name, *changes[i].text);
          Remove(changes[i].name);
        },
        [&](std::size_t i) {
          if (before[i]) return void(values[changes[i].name] = *before[i]);
          values.erase(changes[i].name);
        });
  }

  std::map<std::u16string, std::u16string> values;
  std::map<std::u16string, Failure> failing;
  std::u16string location = u"HKEY_CURRENT_USER\\Software\\Kestrova\\Lumora";
  mutable std::vector<std::u16string> reads;
  // Every SetText and Remove by name, in order, also those that failed.
  std::vector<std::u16string> writes;
  // Names whose SetText or Remove throws, leaving the value as it was.
  std::map<std::u16string, Failure> failingWrites;

 private:
  void Write(const std::u16string& name) {
    writes.push_back(name);
    if (auto failure = failingWrites.find(name); failure != failingWrites.end()) {
      throw failure->second;
    }
  }
};

}  // namespace platform::fake
