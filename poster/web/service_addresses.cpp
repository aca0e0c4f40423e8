#include "poster/web/service_addresses.h"

#include <algorithm>

#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/short_link/simple_shortener.h"
#include "poster/web/service_settings.h"

namespace poster::web {
namespace {

ServiceAddress Replaced(const platform::Settings& settings, const char16_t* name,
                        ServiceAddress builtIn, bool shortLink = false) {
  const SettingText value = ReadSetting(settings, name);
  const bool read = value.unreadable.empty();
  if (read) {
    if (value.text.empty()) return builtIn;
    if (auto address = shortLink ? ShortLinkAddress(value.text) : WebAddress(value.text)) {
      return {*address, {}};
    }
  }
  return {{},
          platform::Joined(
              {SettingPlace(settings, name), read ? u" is \"" : u" could not be read: ",
               read ? value.text : value.unreadable,
               read ? u"\", which is not an http:// or https:// address. " : u"",
               read ? AddressRule(shortLink) : std::u16string(),
               u"\n\nNothing was sent. Correct the setting, or delete it to use the built-in "
               u"address."})};
}

}  // namespace

std::optional<std::u16string> WebAddress(std::u16string_view text) {
  // A query or fragment would be cut off or sent as form data.
  if (text.find_first_of(u"?#") != std::u16string_view::npos || !platform::ParseWebUrl(text)) {
    return std::nullopt;
  }
  const std::size_t rest = text.find(u"://") + 3;
  return platform::Joined({platform::AsciiLower(text.substr(0, rest)), text.substr(rest)});
}

std::u16string AddressRule(bool shortLink) {
  return shortLink ? u"It has no ?, # or spaces, unless it holds {url}, where the long address "
                     u"goes; then a ? part is allowed."
                   : u"It may have a port and a path, but no ?, #, spaces or user name.";
}

bool IsPlainHttp(std::u16string_view address) {
  return platform::StartsWithAsciiNoCase(address, u"http://");
}

std::optional<std::u16string> ShortLinkAddress(std::u16string_view text) {
  return IsSimpleShortenerAddress(text) ? SimpleShortenerAddress(text) : WebAddress(text);
}

ServiceAddresses ServiceAddresses::Read(const platform::Settings& settings) {
  ServiceAddresses addresses = BuiltIn();
  addresses.status = Replaced(settings, kStatusAddressSetting, std::move(addresses.status));
  addresses.sightlink =
      Replaced(settings, kSightlinkAddressSetting, std::move(addresses.sightlink), true);
  // A name that cannot be read costs nothing but the wording of one message.
  std::u16string name = ReadSetting(settings, kStatusNameSetting).text;
  if (!name.empty()) addresses.statusName = std::move(name);
  return addresses;
}

}  // namespace poster::web
