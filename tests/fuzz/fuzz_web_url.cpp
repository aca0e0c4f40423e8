// The web address grammar on a Location header: what it resolves to is an address it accepts,
// spelled out and read again it is the same origin, and every host is plain ASCII.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/common/web_url.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

bool AsciiHost(const platform::WebUrl& url) {
  return !url.host.empty() && std::all_of(url.host.begin(), url.host.end(),
                                          [](char16_t c) { return c > u' ' && c < 0x7F; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::Utf16(data, size);
  const std::optional<platform::WebUrl> base =
      platform::ParseWebUrl(u"https://status.example.test:8443/api/update.xml?x=1");
  fuzz::Require(base.has_value(), "the base address parses");
  for (const std::optional<platform::WebUrl>& url :
       {platform::ParseWebUrl(text), platform::ResolveLocation(*base, text)}) {
    if (!url) continue;
    fuzz::Require(AsciiHost(*url), "a host is visible ASCII");
    fuzz::Require(url->object.starts_with(u'/'), "the object starts with a slash");
    fuzz::Require(url->object.find(u'#') == std::u16string::npos, "no fragment is sent");
    fuzz::Require(url->port != 0, "a port is never 0");
    const std::optional<platform::WebUrl> again =
        platform::ParseWebUrl(platform::SpellWebUrl(*url));
    fuzz::Require(again && platform::SameOrigin(*again, *url) && again->object == url->object,
                  "an address spelled out reads back the same");
  }
  return 0;
}
