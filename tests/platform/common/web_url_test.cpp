#include "platform/common/web_url.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

WebUrl Parsed(std::u16string_view text) {
  std::optional<WebUrl> url = ParseWebUrl(text);
  EXPECT_TRUE(url.has_value()) << std::string(text.begin(), text.end());
  return url.value_or(WebUrl{});
}

bool Same(std::u16string_view a, std::u16string_view b) {
  return SameOrigin(Parsed(a), Parsed(b));
}

std::u16string Resolved(std::u16string_view base, std::u16string_view location) {
  std::optional<WebUrl> url = ResolveLocation(Parsed(base), location);
  return url ? SpellWebUrl(*url) : u"(refused)";
}

TEST(WebUrl, TakesSchemeHostPortAndObjectApart) {
  const WebUrl url = Parsed(u"HTTPS://Status.Example.net:8443/api/update.xml?x=1#top");
  EXPECT_TRUE(url.secure);
  EXPECT_EQ(url.host, u"Status.Example.net");
  EXPECT_EQ(url.port, 8443);
  EXPECT_TRUE(url.explicitPort);
  EXPECT_EQ(url.object, u"/api/update.xml?x=1");
  EXPECT_EQ(SpellWebUrl(url), u"https://Status.Example.net:8443/api/update.xml?x=1");
  EXPECT_EQ(SpellWebUrl(Parsed(u"http://h")), u"http://h:80/");
  EXPECT_EQ(Parsed(u"http://h?q").object, u"/?q");
}

TEST(WebUrl, RefusesUserInfoPercentSignsNonAsciiHostsAndBadPorts) {
  for (std::u16string_view text :
       {u"ftp://h/", u"http://", u"http:///x", u"http://user@h/", u"http://user:pw@h/",
        u"http://ex%61mple.com/", u"http://b\u00FCcher.de/", u"http://\u212Aelvin.com/",
        u"http://h:0/", u"http://h:65536/", u"http://h:80a/", u"http://h:/", u"http://[]/",
        u"http://[::1/", u"http://[::g]/", u"http://[::1]x/", u"http://h/a b", u"http://h/\x7F"}) {
    EXPECT_EQ(ParseWebUrl(text), std::nullopt) << std::string(text.begin(), text.end());
  }
}

TEST(WebUrl, OriginsCompareSchemeAsciiHostAndEffectivePort) {
  EXPECT_TRUE(Same(u"http://Example.COM/a", u"HTTP://example.com:80/b"));
  EXPECT_TRUE(Same(u"http://AZ-09_.test", u"http://az-09_.test"));
  EXPECT_TRUE(Same(u"https://example.com", u"https://example.com:443/"));
  EXPECT_FALSE(Same(u"http://example.com", u"https://example.com"));
  EXPECT_FALSE(Same(u"http://example.com:443", u"https://example.com"));
  EXPECT_FALSE(Same(u"http://example.com:8080", u"http://example.com"));
  // A trailing dot names the same host in DNS, but not the same origin.
  EXPECT_FALSE(Same(u"http://example.com./", u"http://example.com/"));
  EXPECT_TRUE(Same(u"http://[::1]:8080/", u"http://[::1]:8080/x"));
  EXPECT_TRUE(Same(u"http://[::AB]/", u"http://[::ab]/"));
  EXPECT_FALSE(Same(u"http://[::1]/", u"http://[::2]/"));
}

TEST(WebUrl, Ipv6LiteralsKeepTheirBracketsAndTheirPort) {
  const WebUrl url = Parsed(u"http://[::1]:8080/x");
  EXPECT_TRUE(url.Ipv6Literal());
  EXPECT_EQ(url.host, u"[::1]");
  EXPECT_EQ(url.port, 8080);
  EXPECT_FALSE(Parsed(u"http://127.0.0.1/").Ipv6Literal());
}

TEST(WebUrl, LocationsResolveAgainstTheAddressThatAnswered) {
  const std::u16string base = u"https://h.test:8443/dir/page?x=1";
  EXPECT_EQ(Resolved(base, u"http://other.test/p"), u"http://other.test:80/p");
  EXPECT_EQ(Resolved(base, u"//cdn.test/p"), u"https://cdn.test:443/p");
  EXPECT_EQ(Resolved(base, u"/top?y#frag"), u"https://h.test:8443/top?y");
  EXPECT_EQ(Resolved(base, u"next"), u"https://h.test:8443/dir/next");
  EXPECT_EQ(Resolved(u"http://h/", u"next"), u"http://h:80/next");
  // A colon in a relative path is no scheme.
  EXPECT_EQ(Resolved(base, u"a/b://c"), u"https://h.test:8443/dir/a/b://c");
  for (std::u16string_view refused : {u"javascript:alert(1)//", u"http://\u0131nstagram.com/",
                                      u"//user@h.test/", u"/a b", u"ftp://h.test/"}) {
    EXPECT_EQ(Resolved(base, refused), u"(refused)") << std::string(refused.begin(), refused.end());
  }
}

TEST(ProxyBypassed, MatchesEntriesWildcardsAndLocalNamesInAsciiCase) {
  const std::u16string_view list = u"*.corp.test; intranet ,10.*;<local>";
  EXPECT_TRUE(ProxyBypassed(u"Wiki.CORP.test", list));
  EXPECT_TRUE(ProxyBypassed(u"INTRANET", list));
  EXPECT_TRUE(ProxyBypassed(u"10.1.2.3", list));
  EXPECT_TRUE(ProxyBypassed(u"printer", list));
  EXPECT_FALSE(ProxyBypassed(u"corp.test", list));
  EXPECT_FALSE(ProxyBypassed(u"status.example.test", list));
  EXPECT_FALSE(ProxyBypassed(u"intranet.example", list));
  EXPECT_FALSE(ProxyBypassed(u"printer", u""));
  EXPECT_TRUE(ProxyBypassed(u"a.b.c", u"a*c"));
  EXPECT_TRUE(ProxyBypassed(u"intranet", u"intranet*"));
  EXPECT_FALSE(ProxyBypassed(u"a.b.cd", u"a*c"));
}

TEST(WebUrl, TheOriginAloneKeepsNoPathQueryOrFragment) {
  EXPECT_EQ(SpellOrigin(Parsed(u"https://y.test/yourls-api.php?signature=s3cr3t&url=x#f")),
            u"https://y.test:443/");
  EXPECT_EQ(SpellOrigin(Parsed(u"HTTP://H.test:8080")), u"http://H.test:8080/");
}

std::u16string EntryFor(std::u16string_view url, std::u16string_view list,
                        std::u16string_view bypass = u"") {
  return ProxyEntryFor(Parsed(url), list, bypass).value_or(u"(direct)");
}

TEST(ProxyEntryFor, TakesTheSchemesOwnEntryElseOneForEveryScheme) {
  const std::u16string_view perScheme = u"HTTPS=sec.test:8443; ftp=f.test:21 socks=s.test:1080";
  EXPECT_EQ(EntryFor(u"https://a.test/", perScheme), u"sec.test:8443");
  // No entry for http: an http request goes direct.
  EXPECT_EQ(EntryFor(u"http://a.test/", perScheme), u"(direct)");
  const std::u16string_view mixed = u"all.test:3128;http=http://web.test";
  EXPECT_EQ(EntryFor(u"http://a.test/", mixed), u"web.test:80");
  EXPECT_EQ(EntryFor(u"https://a.test/", mixed), u"all.test:3128");
  EXPECT_EQ(EntryFor(u"https://a.test/", u"first.test:1;second.test:2"), u"first.test:1");
  EXPECT_EQ(EntryFor(u"https://a.test/", u""), u"(direct)");
  EXPECT_EQ(EntryFor(u"https://wiki.corp.test/", mixed, u"*.corp.test"), u"(direct)");
}

}  // namespace
}  // namespace platform
