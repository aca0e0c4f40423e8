#include "platform/common/web_url.h"

#include <algorithm>

#include "platform/common/text.h"

namespace platform {
namespace {

constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";
constexpr std::uint16_t kHttpPort = 80;
constexpr std::uint16_t kHttpsPort = 443;
constexpr std::size_t kLongestPort = 5;
constexpr unsigned kHighestPort = 65535;

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameAscii(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view lowerPrefix) {
  return text.size() >= lowerPrefix.size() &&
         SameAscii(text.substr(0, lowerPrefix.size()), lowerPrefix);
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsHostCharacter(char16_t c) {
  return IsDigit(c) || (Lower(c) >= u'a' && Lower(c) <= u'z') || c == u'-' || c == u'.' ||
         c == u'_';
}

bool IsAddressLiteralCharacter(char16_t c) {
  return IsDigit(c) || (Lower(c) >= u'a' && Lower(c) <= u'f') || c == u':' || c == u'.';
}

// Spaces and control characters never reach the wire intact.
bool IsObjectCharacter(char16_t c) {
  return c > u' ' && c != 0x7F;
}

std::optional<std::uint16_t> Port(std::u16string_view digits) {
  if (digits.empty() || digits.size() > kLongestPort ||
      !std::all_of(digits.begin(), digits.end(), IsDigit)) {
    return std::nullopt;
  }
  unsigned value = 0;
  for (char16_t c : digits) value = value * 10 + static_cast<unsigned>(c - u'0');
  if (value < 1 || value > kHighestPort) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// host[:port] into `url`; false for anything else, a user name included.
bool TakeAuthority(std::u16string_view authority, WebUrl& url) {
  std::u16string_view host = authority;
  std::size_t portAt = std::u16string_view::npos;
  if (authority.starts_with(u'[')) {
    const std::size_t close = authority.find(u']');
    if (close == std::u16string_view::npos || close < 2) return false;
    const std::u16string_view literal = authority.substr(1, close - 1);
    if (!std::all_of(literal.begin(), literal.end(), IsAddressLiteralCharacter)) return false;
    host = authority.substr(0, close + 1);
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
  url.host = std::u16string(host);
  url.port = url.secure ? kHttpsPort : kHttpPort;
  url.explicitPort = portAt != std::u16string_view::npos;
  if (url.explicitPort) {
    const std::optional<std::uint16_t> port = Port(authority.substr(portAt));
    if (!port) return false;
    url.port = *port;
  }
  return true;
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then a colon.
bool HasScheme(std::u16string_view reference) {
  const std::size_t colon = reference.find(u':');
  if (colon == std::u16string_view::npos || colon == 0) return false;
  const auto isLetter = [](char16_t c) { return Lower(c) >= u'a' && Lower(c) <= u'z'; };
  if (!isLetter(reference[0])) return false;
  return std::all_of(reference.begin(), reference.begin() + colon, [&](char16_t c) {
    return isLetter(c) || IsDigit(c) || c == u'+' || c == u'-' || c == u'.';
  });
}

std::u16string WithoutFragment(std::u16string_view object) {
  return std::u16string(object.substr(0, object.find(u'#')));
}

}  // namespace

std::optional<WebUrl> ParseWebUrl(std::u16string_view text) {
  WebUrl url;
  std::u16string_view rest;
  if (StartsWithNoCase(text, kHttp)) {
    rest = text.substr(kHttp.size());
  } else if (StartsWithNoCase(text, kHttps)) {
    url.secure = true;
    rest = text.substr(kHttps.size());
  } else {
    return std::nullopt;
  }
  const std::size_t end = rest.find_first_of(u"/?#");
  if (!TakeAuthority(rest.substr(0, end), url)) return std::nullopt;
  const std::u16string_view object =
      end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end);
  if (!std::all_of(object.begin(), object.end(), IsObjectCharacter)) return std::nullopt;
  url.object = WithoutFragment(object);
  if (!url.object.starts_with(u'/')) url.object.insert(0, u"/");
  return url;
}

bool SameOrigin(const WebUrl& a, const WebUrl& b) {
  return a.secure == b.secure && a.port == b.port && SameAscii(a.host, b.host);
}

std::optional<WebUrl> ResolveLocation(const WebUrl& base, std::u16string_view location) {
  if (HasScheme(location)) return ParseWebUrl(location);
  if (location.starts_with(u"//")) {
    return ParseWebUrl(Joined({base.secure ? u"https:" : u"http:", location}));
  }
  if (!std::all_of(location.begin(), location.end(), IsObjectCharacter)) return std::nullopt;
  WebUrl next = base;
  if (location.starts_with(u'/')) {
    next.object = WithoutFragment(location);
  } else {
    const std::u16string path = base.object.substr(0, base.object.find(u'?'));
    next.object = path.substr(0, path.rfind(u'/') + 1) + WithoutFragment(location);
  }
  return next;
}

std::u16string SpellWebUrl(const WebUrl& url) {
  std::u16string port;
  for (unsigned n = url.port; n != 0; n /= 10)
    port.insert(port.begin(), static_cast<char16_t>(u'0' + n % 10));
  return Joined({url.secure ? kHttps : kHttp, url.host, u":", port, url.object});
}

std::u16string SpellOrigin(const WebUrl& url) {
  WebUrl origin = url;
  origin.object = u"/";
  return SpellWebUrl(origin);
}

bool ProxyBypassed(std::u16string_view host, std::u16string_view bypassList) {
  std::size_t at = 0;
  while (at < bypassList.size()) {
    const std::size_t end = std::min(bypassList.find_first_of(u"; ,", at), bypassList.size());
    const std::u16string_view entry = bypassList.substr(at, end - at);
    at = end + 1;
    if (entry.empty()) continue;
    if (SameAscii(entry, u"<local>")) {
      if (host.find(u'.') == std::u16string_view::npos) return true;
      continue;
    }
    // Wildcards by the classic two-pointer walk: the last "*" seen absorbs a mismatch.
    std::size_t h = 0, p = 0, star = std::u16string_view::npos, resume = 0;
    while (h < host.size()) {
      if (p < entry.size() && entry[p] != u'*' && Lower(entry[p]) == Lower(host[h])) {
        ++h;
        ++p;
      } else if (p < entry.size() && entry[p] == u'*') {
        star = p++;
        resume = h;
      } else if (star != std::u16string_view::npos) {
        p = star + 1;
        h = ++resume;
      } else {
        break;
      }
    }
    while (p < entry.size() && entry[p] == u'*') ++p;
    if (h == host.size() && p == entry.size()) return true;
  }
  return false;
}

std::optional<std::u16string> ProxyEntryFor(const WebUrl& url, std::u16string_view list,
                                            std::u16string_view bypassList) {
  const std::u16string_view scheme = url.secure ? u"https" : u"http";
  std::optional<std::u16string_view> chosen;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find_first_of(u"; \t", at), list.size());
    std::u16string_view entry = list.substr(at, end - at);
    at = end + 1;
    const std::size_t equals = entry.find(u'=');
    const bool forScheme = equals != std::u16string_view::npos;
    if (forScheme && !SameAscii(entry.substr(0, equals), scheme)) continue;
    if (forScheme) entry.remove_prefix(equals + 1);
    if (const std::size_t slashes = entry.find(u"://"); slashes != std::u16string_view::npos) {
      entry.remove_prefix(slashes + 3);
    }
    if (entry.empty() || entry.front() == u':') continue;
    if (forScheme) {
      chosen = entry;
      break;
    }
    if (!chosen) chosen = entry;
  }
  if (!chosen || ProxyBypassed(url.host, bypassList)) return std::nullopt;
  std::u16string proxy(*chosen);
  if (proxy.find(u':') == std::u16string::npos) proxy += u":80";
  return proxy;
}

}  // namespace platform
