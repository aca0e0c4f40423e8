#include "poster/web/service_addresses.h"

#include <algorithm>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/text_rules.h"
#include "poster/short_link/simple_shortener.h"

namespace poster::web {
namespace {

ServiceAddress Replaced(const platform::Settings& settings, const char16_t* name,
                        ServiceAddress builtIn, bool simpleApiAllowed = false) {
  const std::u16string where =
      u"The setting " + std::u16string(name) + u" in " + settings.Location();
  std::u16string reason;
  try {
    const std::optional<std::u16string> text = settings.Text(name);
    if (!text) return builtIn;
    const std::u16string value = TrimSpaces(*text);
    if (value.empty()) return builtIn;
    std::optional<std::u16string> address = simpleApiAllowed && IsSimpleShortenerAddress(value)
                                                ? SimpleShortenerAddress(value)
                                                : WebAddress(value);
    if (address) return {*address, {}};
    reason = u" is \"" + value + u"\", which is not an http:// or https:// address.";
  } catch (const platform::Failure& failure) {
    reason = u" could not be read: " + failure.Description();
  }
  return {{},
          where + reason +
              u"\n\nNothing was sent. Correct the setting, or delete it to use the built-in "
              u"address."};
}

}  // namespace

std::optional<std::u16string> WebAddress(std::u16string_view text) {
  // A query or fragment would be cut off or sent as form data.
  if (text.find_first_of(u"?#") != std::u16string_view::npos || !platform::ParseWebUrl(text)) {
    return std::nullopt;
  }
  const std::size_t rest = text.find(u"://") + 3;
  return platform::AsciiLower(text.substr(0, rest)) + std::u16string(text.substr(rest));
}

ServiceAddresses ServiceAddresses::Read(const platform::Settings& settings) {
  ServiceAddresses addresses = BuiltIn();
  addresses.status = Replaced(settings, kStatusAddressSetting, std::move(addresses.status));
  addresses.sightlink =
      Replaced(settings, kSightlinkAddressSetting, std::move(addresses.sightlink), true);
  try {
    // A name that cannot be read costs nothing but the wording of one message.
    if (const auto name = settings.Text(kStatusNameSetting)) {
      std::u16string trimmed = TrimSpaces(*name);
      if (!trimmed.empty()) addresses.statusName = std::move(trimmed);
    }
  } catch (const platform::Failure&) {
  }
  return addresses;
}

}  // namespace poster::web
