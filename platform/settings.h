// Values a user may set for the program: named text values kept per user by the system.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// One value of a change made as one step: `text` is stored as `name`, or nullopt deletes it.
struct SettingChange {
  std::u16string name;
  std::optional<std::u16string> text;
};

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
  // Makes every change of `changes`, in order, or none of them: when one fails, each value
  // touched is put back exactly as it was before the call (its type and data, or absent), and
  // Failure is thrown. A value that cannot even be put back stays as the failed write left it.
  virtual void Change(const std::vector<SettingChange>& changes) = 0;
};

// Lumora's settings for the current user; lives as long as the program.
Settings& SystemSettings();

}  // namespace platform
