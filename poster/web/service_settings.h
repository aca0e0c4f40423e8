// The values the "Service settings" dialog edits: read from the user's settings, checked by the
// same rules the program applies when it reads them, and the writes that OK makes.
#pragma once

#include <optional>
#include <string>

#include "platform/service_dialog.h"
#include "platform/settings.h"

namespace poster::web {

// The protocol, the status address and name, the short-link address: what the dialog shows.
using ServiceSettingsValues = platform::ServiceDialogValues;

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

// What OK does with `values` (already checked): stores every value the dialog edits, trimmed,
// the protocol as "mastodon", in the order protocol, status address, status name, short-link
// address, and deletes each that is empty so that the built-in one applies, all as one step:
// throws platform::Failure at the first that fails, with every value back as it was.
void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values);

}  // namespace poster::web
