// Web addresses: one grammar for http:// and https:// addresses, their origins and redirects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An http:// or https:// address taken apart. The grammar: the scheme in any case, a host (a
// name of ASCII letters, digits, "-", "." and "_", or a bracketed IPv6 literal), an optional
// port from 1 to 65535, then a path and query of visible characters. No user name, no percent
// sign in the host, nothing outside ASCII in the host.
struct WebUrl {
  bool secure = false;        // https
  std::u16string host;        // as written, brackets kept for an IPv6 literal
  std::uint16_t port = 0;     // the one written, else 80 or 443
  std::u16string object;      // path and query, "/" when the address has none
  bool explicitPort = false;  // whether the address wrote its port
  bool Ipv6Literal() const { return host.starts_with(u'['); }
};

// `text` taken apart, or nullopt when it does not follow the grammar above. A fragment ("#...")
// is dropped: it never goes to the server.
std::optional<WebUrl> ParseWebUrl(std::u16string_view text);

// Whether two addresses have the same scheme, host and port. Hosts are compared in ASCII
// only: A-Z match a-z, nothing else is folded, and "example.com." differs from "example.com".
bool SameOrigin(const WebUrl& a, const WebUrl& b);

// A Location header's value resolved against the address that answered with it: absolute,
// scheme-relative ("//host/..."), path-absolute or relative to the current path. nullopt when
// the result does not follow the grammar (another scheme, a user name, a non-ASCII host).
std::optional<WebUrl> ResolveLocation(const WebUrl& base, std::u16string_view location);

// The address written out in full, port included: "https://host:443/path".
std::u16string SpellWebUrl(const WebUrl& url);

// The address's scheme, host and port alone, port included: "https://host:443/". This is all a
// proxy lookup is told: paths and queries may carry signatures and the user's links.
std::u16string SpellOrigin(const WebUrl& url);

// Whether a proxy bypass list (entries separated by ";", "," or spaces; "*" matches any run of
// characters; "<local>" matches a host without a dot) names `host`. ASCII case-insensitive.
bool ProxyBypassed(std::u16string_view host, std::u16string_view bypassList);

// The one proxy ("host:port", port 80 when the entry names none) that a proxy list gives `url`,
// or nullopt when the request goes direct. The list holds entries separated by ";" or spaces,
// each "[scheme=][scheme://]host[:port]": the entry for the address's own scheme ("http=" or
// "https=") wins, else the first entry without a scheme; entries for other schemes never
// apply. A host the bypass list names goes direct.
std::optional<std::u16string> ProxyEntryFor(const WebUrl& url, std::u16string_view list,
                                            std::u16string_view bypassList);

}  // namespace platform
