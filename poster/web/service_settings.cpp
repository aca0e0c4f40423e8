#include "poster/web/service_settings.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/text_rules.h"
#include "poster/web/service_addresses.h"

namespace poster::web {
namespace {

std::u16string NotWebAddress(std::u16string_view opening, std::u16string_view address,
                             bool shortLink) {
  return platform::Joined(
      {opening, address, u"\" is not an http:// or https:// address. ", AddressRule(shortLink)});
}

}  // namespace

SettingText ReadSetting(const platform::Settings& settings, const char16_t* name) {
  try {
    return {TrimSpaces(settings.Text(name).value_or(u"")), {}};
  } catch (const platform::Failure& failure) {
    return {{}, failure.Description()};
  }
}

std::u16string SettingPlace(const platform::Settings& settings, const char16_t* name) {
  return platform::Joined({u"The setting ", name, u" in ", settings.Location()});
}

std::u16string StatusProtocolProblem(const platform::Settings& settings, const SettingText& value) {
  const bool read = value.unreadable.empty();
  return platform::Joined(
      {SettingPlace(settings, kStatusProtocolSetting), read ? u" is \"" : u" could not be read: ",
       read ? value.text : value.unreadable,
       read ? u"\", which is not a protocol Lumora knows." : u"",
       u"\n\nNothing was sent. Set it to mastodon for a Mastodon-compatible server, or delete it "
       u"to use the built-in protocol."});
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
  std::u16string problem;
  if (status.empty() && values.protocol == u"mastodon") {
    problem = u"Please enter the address of your server, such as https://social.example.";
  } else if (!status.empty() && !WebAddress(status)) {
    problem = NotWebAddress(u"The status address \"", status, false);
  } else if (values.protocol == u"mastodon" && IsPlainHttp(status)) {
    problem = platform::Joined({u"The status address box holds \"", status, u"\"", kHttpsOnlyRule});
  } else if (!status.empty() && values.protocol == kBlueskyProtocol &&
             !platform::StartsWithAsciiNoCase(status, u"https://")) {
    problem = platform::Joined(
        {u"A Bluesky server's address begins with https://, such as ", kBlueskyEntryway, u"."});
  }
  if (!problem.empty()) return ServiceSettingsProblem{Field::kStatusAddress, problem};
  const std::u16string sightlink = TrimSpaces(values.sightlinkAddress);
  if (!sightlink.empty() && !ShortLinkAddress(sightlink)) {
    return ServiceSettingsProblem{Field::kSightlinkAddress,
                                  NotWebAddress(u"The short-link address \"", sightlink, true)};
  }
  return std::nullopt;
}

void StoreServiceSettings(platform::Settings& settings, const ServiceSettingsValues& values) {
  const char16_t* const names[] = {kStatusProtocolSetting, kStatusAddressSetting,
                                   kStatusNameSetting, kSightlinkAddressSetting};
  const std::u16string_view entered[] = {values.protocol, values.statusAddress, values.statusName,
                                         values.sightlinkAddress};
  std::vector<platform::SettingChange> changes(4);
  for (std::size_t i = 0; i < 4; ++i) {
    changes[i].name = names[i];
    std::u16string value = TrimSpaces(entered[i]);
    if (!value.empty()) changes[i].text = std::move(value);
  }
  // One step: a write failing part way must not switch the mode and keep the old address.
  settings.Change(changes);
}

}  // namespace poster::web
