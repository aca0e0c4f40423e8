#include "poster/web/service_addresses.h"

#include <algorithm>

#include "platform/failure.h"
#include "platform/text.h"
#include "poster/text_rules.h"
#include "poster/web/simple_shortener.h"

namespace poster::web {
namespace {

constexpr std::u16string_view kSchemes[] = {u"http://", u"https://"};
constexpr std::size_t kLongestPort = 5;
constexpr unsigned kHighestPort = 65535;

using platform::AsciiLower;

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsHostCharacter(char16_t c) {
  return IsDigit(c) || (AsciiLower(c) >= u'a' && AsciiLower(c) <= u'z') || c == u'-' || c == u'.' ||
         c == u'_';
}

bool IsAddressLiteralCharacter(char16_t c) {
  return IsDigit(c) || (AsciiLower(c) >= u'a' && AsciiLower(c) <= u'f') || c == u':' || c == u'.';
}

// A query or fragment would be cut off or sent as form data, and spaces never reach the wire.
bool IsPathCharacter(char16_t c) {
  return c > u' ' && c != 0x7F && c != u'?' && c != u'#';
}

bool IsPort(std::u16string_view digits) {
  if (digits.empty() || digits.size() > kLongestPort ||
      !std::all_of(digits.begin(), digits.end(), IsDigit)) {
    return false;
  }
  unsigned value = 0;
  for (char16_t c : digits) value = value * 10 + static_cast<unsigned>(c - u'0');
  return value >= 1 && value <= kHighestPort;
}

// host[:port], where the host is a name or a bracketed IPv6 literal; no user name.
bool IsAuthority(std::u16string_view authority) {
  std::u16string_view host = authority;
  std::size_t portAt = std::u16string_view::npos;
  if (authority.starts_with(u'[')) {
    const std::size_t close = authority.find(u']');
    if (close == std::u16string_view::npos || close < 2) return false;
    host = authority.substr(1, close - 1);
    if (!std::all_of(host.begin(), host.end(), IsAddressLiteralCharacter)) return false;
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != u':') return false;
      portAt = close + 2;
    }
  } else {
    const std::size_t colon = authority.find(u':');
    host = authority.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostCharacter)) return false;
    if (colon != std::u16string_view::npos) portAt = colon + 1;
  }
  return portAt == std::u16string_view::npos || IsPort(authority.substr(portAt));
}

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
  for (std::u16string_view scheme : kSchemes) {
    if (!platform::StartsWithAsciiNoCase(text, scheme)) continue;
    const std::u16string_view rest = text.substr(scheme.size());
    const std::size_t slash = rest.find(u'/');
    const std::u16string_view authority = rest.substr(0, slash);
    const std::u16string_view path =
        slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash);
    if (!IsAuthority(authority) || !std::all_of(path.begin(), path.end(), IsPathCharacter)) {
      return std::nullopt;
    }
    return std::u16string(scheme) + std::u16string(rest);
  }
  return std::nullopt;
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
