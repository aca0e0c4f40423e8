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
  // Stores `text` as the text value `name`, replacing what was there and creating the key when
  // it is absent. Throws Failure when the value cannot be written.
  virtual void SetText(const std::u16string& name, const std::u16string& text) = 0;
  // Deletes the value `name`; an absent value or key is no error. Throws Failure when the value
  // exists and cannot be deleted.
  virtual void Remove(const std::u16string& name) = 0;
};

// Lumora's settings for the current user; lives as long as the program.
Settings& SystemSettings();

}  // namespace platform
