// The addresses of the two services Lumora talks to: built in, or set by the user at run time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/settings.h"

namespace poster::web {

// Names of the values a user may set, and what each replaces.
inline constexpr char16_t kStatusAddressSetting[] = u"StatusAddress";
inline constexpr char16_t kStatusNameSetting[] = u"StatusName";
inline constexpr char16_t kSightlinkAddressSetting[] = u"SightlinkAddress";

// One service's address as its request uses it: everything before the "?", or for a simple
// shortening API (see simple_shortener.h) the whole address with its placeholder.
struct ServiceAddress {
  std::u16string address;
  // Empty when `address` can be used; otherwise the whole "Whoops!" text that says which value
  // is wrong and where it is set, and `address` is empty.
  std::u16string problem;
};

// The status address and name this build was configured with, as BuiltIn gives them.
extern const char16_t kBuiltInStatusAddress[];
extern const char16_t kBuiltInStatusName[];

struct ServiceAddresses {
  ServiceAddress status;      // the status-update endpoint
  std::u16string statusName;  // named in "The Tweet failed. <name> advises:"
  ServiceAddress sightlink;   // the link-shortening endpoint

  // The addresses this build was configured with.
  static ServiceAddresses BuiltIn();
  // The built-in addresses, each replaced by the value the user set for it. An absent, empty or
  // all-space value keeps the built-in one; the link-shortening value may also name a simple
  // shortening API. Never throws: a value that cannot be used is kept as a problem for the
  // button that needs it.
  static ServiceAddresses Read(const platform::Settings& settings);
};

// `text` as an address a request can go to: "http://" or "https://" (any case), a host, an
// optional port from 1 to 65535 and an optional path, with no user name, query, fragment,
// space or control character. The scheme comes back in lower case, the rest unchanged;
// nullopt when `text` is not such an address.
std::optional<std::u16string> WebAddress(std::u16string_view text);

// What makes a value an address of its kind, as one sentence that every box naming a refused
// value ends its reason with: a web address (WebAddress), or a short-link address.
std::u16string AddressRule(bool shortLink);

// What follows the value in every box that refuses an http:// address for a Mastodon-compatible
// server, whose token must not cross the network in clear.
inline constexpr char16_t kHttpsOnlyRule[] =
    u", but a Mastodon-compatible server needs https://: no token goes in clear.";

// True for an http:// address (any case), which a Mastodon-compatible server cannot have.
bool IsPlainHttp(std::u16string_view address);

// `text` as a short-link address: a simple shortening API's address (SimpleShortenerAddress)
// when it holds the placeholder, otherwise a WebAddress; nullopt when it is neither.
std::optional<std::u16string> ShortLinkAddress(std::u16string_view text);

}  // namespace poster::web
