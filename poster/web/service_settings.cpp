#include "poster/web/service_settings.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/text_rules.h"
#include "poster/web/service_addresses.h"

namespace poster::web {

SettingText ReadSetting(const platform::Settings& settings, const char16_t* name) {
  try {
    return {TrimSpaces(settings.Text(name).value_or(u"")), {}};
  } catch (const platform::Failure& failure) {
    return {{}, failure.Description()};
  }
}

std::u16string SettingPlace(const platform::Settings& settings, const char16_t* name) {
  return u"The setting " + std::u16string(name) + u" in " + settings.Location();
}

std::u16string StatusProtocolProblem(const platform::Settings& settings, const SettingText& value) {
  const std::u16string reason =
      value.unreadable.empty()
          ? u" is \"" + value.text + u"\", which is not a protocol Lumora knows."
          : u" could not be read: " + value.unreadable;
  return SettingPlace(settings, kStatusProtocolSetting) + reason +
         u"\n\nNothing was sent. Set it to mastodon for a Mastodon-compatible server, or delete it "
         u"to use the built-in protocol.";
}

ServiceSettingsValues ReadServiceSettings(const platform::Settings& settings) {
  // The dialog shows what can be read; OK writes over what could not.
  ServiceSettingsValues values;
  const std::u16string protocol =
      platform::AsciiLower(ReadSetting(settings, kStatusProtocolSetting).text);
  if (protocol == u"mastodon" || protocol == kBlueskyProtocol) values.protocol = protocol;
  values.statusAddress = ReadSetting(settings, kStatusAddressSetting).text;
  values.statusName = ReadSetting(settings, kStatusNameSetting).text;
  values.sightlinkAddress = ReadSetting(settings, kSightlinkAddressSetting).text;
  return values;
}

std::optional<ServiceSettingsProblem> CheckServiceSettings(const ServiceSettingsValues& values) {
  using Field = ServiceSettingsProblem::Field;
  const std::u16string status = TrimSpaces(values.statusAddress);
  if (status.empty() && values.protocol == u"mastodon") {
    return ServiceSettingsProblem{
        Field::kStatusAddress,
        u"Please enter the address of your server, such as https://social.example."};
  }
  if (!status.empty() && !WebAddress(status)) {
    return ServiceSettingsProblem{Field::kStatusAddress,
                                  u"The status address \"" + status +
                                      u"\" is not an http:// or https:// address. " +
                                      AddressRule(false)};
  }
  if (values.protocol == u"mastodon" && IsPlainHttp(status)) {
    return ServiceSettingsProblem{
        Field::kStatusAddress, u"The status address box holds \"" + status + u'"' + kHttpsOnlyRule};
  }
  if (!status.empty() && values.protocol == kBlueskyProtocol &&
      !platform::StartsWithAsciiNoCase(status, u"https://")) {
    return ServiceSettingsProblem{Field::kStatusAddress,
                                  u"A Bluesky server's address begins with https://, such as " +
                                      std::u16string(kBlueskyEntryway) + u"."};
  }
  const std::u16string sightlink = TrimSpaces(values.sightlinkAddress);
  if (!sightlink.empty() && !ShortLinkAddress(sightlink)) {
    return ServiceSettingsProblem{Field::kSightlinkAddress,
                                  u"The short-link address \"" + sightlink +
                                      u"\" is not an http:// or https:// address. " +
                                      AddressRule(true)};
  }
  return std::nullopt;
}

void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values) {
  const std::pair<const char16_t*, std::u16string> writes[] = {
      {kStatusProtocolSetting, values.protocol},
      {kStatusAddressSetting, TrimSpaces(values.statusAddress)},
      {kStatusNameSetting, TrimSpaces(values.statusName)},
      {kSightlinkAddressSetting, TrimSpaces(values.sightlinkAddress)}};
  std::vector<platform::SettingChange> changes;
  for (const auto& [name, value] : writes) {
    changes.push_back({name, value.empty() ? std::nullopt : std::optional(value)});
  }
  // One step: a write failing part way must not switch the mode and keep the old address.
  settings.Change(changes);
}

}  // namespace poster::web
