#include "poster/short_link/link_shortening.h"

#include "platform/common/text.h"
#include "poster/short_link/simple_shortener.h"
#include "poster/web/form_post.h"
#include "poster/web/reply_rules.h"

namespace poster::web {

std::u16string WithWebScheme(const std::u16string& longAddress) {
  if (platform::StartsWithAsciiNoCase(longAddress, u"http:") ||
      platform::StartsWithAsciiNoCase(longAddress, u"https:")) {
    return longAddress;
  }
  return platform::Joined({u"http://", longAddress});
}

std::u16string RequestShortLink(platform::HttpClient& http, const std::u16string& address,
                                std::u16string_view longAddress) {
  if (IsSimpleShortenerAddress(address)) {
    const auto request = http.CreateRequest();
    request->Open(u"GET", SimpleShortenerRequest(address, longAddress));
    request->Send({});
    return request->ResponseText();
  }
  return FormPost(http, address, FormField(u"TheLongURL", longAddress));
}

std::optional<std::u16string> ShortLinkFrom(std::u16string_view address,
                                            std::u16string_view reply) {
  return IsSimpleShortenerAddress(address) ? SimpleShortLinkIn(reply) : ShortLinkIn(reply);
}

}  // namespace poster::web
