// Values a user may set for the program: named text values kept per user by the system.
#pragma once

#include <optional>
#include <string>

namespace platform {

class Settings {
 public:
  virtual ~Settings() = default;
  // The text of the value `name`, exactly as stored; nullopt when the value or its key is
  // absent. A value that is present but holds no text (a number, binary data) or cannot be
  // read throws Failure.
  virtual std::optional<std::u16string> Text(const std::u16string& name) const = 0;
  // Where the values are kept, as a user would look for them (the registry key's full name).
  virtual std::u16string Location() const = 0;
};

// Lumora's settings for the current user; lives as long as the program.
const Settings& SystemSettings();

}  // namespace platform
