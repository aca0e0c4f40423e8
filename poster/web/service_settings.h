// The user's service settings: the one way they are read, the protocol they choose, the values
// the "Service settings" dialog edits and checks, and the writes that OK makes.
#pragma once

#include <optional>
#include <string>

#include "platform/service_dialog.h"
#include "platform/settings.h"

namespace poster::web {

inline constexpr char16_t kStatusProtocolSetting[] = u"StatusProtocol";
inline constexpr char16_t kBlueskyProtocol[] = u"bluesky";
// Where a Bluesky account signs in when the status address is empty.
inline constexpr char16_t kBlueskyEntryway[] = u"https://bsky.social";

// One stored value as every reader takes it: `text` without the spaces around it (empty when
// absent or all spaces), or `unreadable`, the system's description of why it could not be read
// (then `text` is empty).
struct SettingText {
  std::u16string text;
  std::u16string unreadable;
};
SettingText ReadSetting(const platform::Settings& settings, const char16_t* name);

// "The setting <name> in <where the settings live>", as the boxes about a stored value begin.
std::u16string SettingPlace(const platform::Settings& settings, const char16_t* name);

// The "Whoops!" text for a StatusProtocol setting (`value` as ReadSetting gives it) that could
// not be read or names no protocol this program knows.
std::u16string StatusProtocolProblem(const platform::Settings& settings, const SettingText& value);

// The protocol, the status address and name, the short-link address: what the dialog shows.
using ServiceSettingsValues = platform::ServiceDialogValues;

// The values as stored, for the dialog to show: each as its text (spaces around it removed),
// empty when absent or unreadable; the protocol in lower case when StatusProtocol names a known
// one ("mastodon" or "bluesky"), else empty. Never throws.
ServiceSettingsValues ReadServiceSettings(const platform::Settings& settings);

// Which box holds a value that cannot be used, and the "Whoops!" text that says why.
struct ServiceSettingsProblem {
  enum class Field { kStatusAddress, kSightlinkAddress };
  Field field;
  std::u16string text;
};

// The first value that the program would refuse, nothing when all can be used. A Mastodon
// server needs its address; a Bluesky server's, when given, is https://; the short-link address
// may name a simple API with "{url}".
std::optional<ServiceSettingsProblem> CheckServiceSettings(const ServiceSettingsValues& values);

// What OK does with `values` (already checked): stores every value the dialog edits, trimmed,
// the protocol as chosen, in the order protocol, status address, status name, short-link
// address, and deletes each that is empty so that the built-in one applies, all as one step:
// throws platform::Failure at the first that fails, with every value back as it was.
void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values);

}  // namespace poster::web
