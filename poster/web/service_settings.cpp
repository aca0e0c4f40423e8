#include "poster/web/service_settings.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "poster/text_rules.h"
#include "poster/web/mastodon.h"
#include "poster/web/service_addresses.h"
#include "poster/web/simple_shortener.h"

namespace poster::web {
namespace {

std::u16string TextOf(const platform::Settings& settings, const char16_t* name) {
  try {
    return TrimSpaces(settings.Text(name).value_or(u""));
  } catch (const platform::Failure&) {
    // The dialog shows what can be read; OK writes over what could not.
    return {};
  }
}

}  // namespace

ServiceSettingsValues ReadServiceSettings(const platform::Settings& settings) {
  ServiceSettingsValues values;
  values.mastodon = ReadStatusProtocol(settings).protocol == StatusProtocol::kMastodon;
  values.statusAddress = TextOf(settings, kStatusAddressSetting);
  values.statusName = TextOf(settings, kStatusNameSetting);
  values.sightlinkAddress = TextOf(settings, kSightlinkAddressSetting);
  return values;
}

std::optional<ServiceSettingsProblem> CheckServiceSettings(const ServiceSettingsValues& values) {
  using Field = ServiceSettingsProblem::Field;
  const std::u16string status = TrimSpaces(values.statusAddress);
  if (status.empty() && values.mastodon) {
    return ServiceSettingsProblem{
        Field::kStatusAddress,
        u"Please enter the address of your server, such as https://social.example."};
  }
  if (!status.empty() && !WebAddress(status)) {
    return ServiceSettingsProblem{
        Field::kStatusAddress,
        u"The status address \"" + status +
            u"\" is not an http:// or https:// address. It may have a port and a path, but no ?, "
            u"#, spaces or user name."};
  }
  const std::u16string sightlink = TrimSpaces(values.sightlinkAddress);
  const bool usable = IsSimpleShortenerAddress(sightlink)
                          ? SimpleShortenerAddress(sightlink).has_value()
                          : WebAddress(sightlink).has_value();
  if (!sightlink.empty() && !usable) {
    return ServiceSettingsProblem{
        Field::kSightlinkAddress,
        u"The short-link address \"" + sightlink +
            u"\" is not an http:// or https:// address. It has no ?, # or spaces, unless it "
            u"holds {url}, where the long address goes; then a ? part is allowed."};
  }
  return std::nullopt;
}

void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values) {
  const std::pair<const char16_t*, std::u16string> writes[] = {
      {kStatusProtocolSetting, values.mastodon ? u"mastodon" : u""},
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
