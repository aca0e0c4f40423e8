// The values the "Service settings" dialog edits: read from the user's settings, checked by the
// same rules the program applies when it reads them, and the writes that OK makes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/settings.h"

namespace poster::web {

struct ServiceSettingsValues {
  bool mastodon = false;            // StatusProtocol
  std::u16string statusAddress;     // empty: the built-in address
  std::u16string statusName;        // empty: the built-in name
  std::u16string sightlinkAddress;  // empty: the built-in address

  friend bool operator==(const ServiceSettingsValues&, const ServiceSettingsValues&) = default;
};

// The values as stored, for the dialog to show: each as its text (spaces around it removed),
// empty when absent or unreadable; `mastodon` when StatusProtocol says so. Never throws.
ServiceSettingsValues ReadServiceSettings(const platform::Settings& settings);

// Which box holds a value that cannot be used, and the "Whoops!" text that says why.
struct ServiceSettingsProblem {
  enum class Field { kStatusAddress, kSightlinkAddress };
  Field field;
  std::u16string text;
};

// The first value that the program would refuse, nothing when all can be used. A Mastodon
// server needs its address; the short-link address may name a simple API with "{url}".
std::optional<ServiceSettingsProblem> CheckServiceSettings(const ServiceSettingsValues& values);

// One value to store, or (an empty `value`) to delete so that the built-in one applies.
struct SettingWrite {
  std::u16string name;
  std::u16string value;
  friend bool operator==(const SettingWrite&, const SettingWrite&) = default;
};

// What OK writes for `values` (already checked): every value the dialog edits, trimmed, the
// protocol as "mastodon" or deleted.
std::vector<SettingWrite> ServiceSettingsWrites(const ServiceSettingsValues& values);

// Makes the writes of ServiceSettingsWrites(values) in their order: stores each value, deletes
// each empty one. Throws platform::Failure at the first that fails; those before it stay made.
void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values);

}  // namespace poster::web
