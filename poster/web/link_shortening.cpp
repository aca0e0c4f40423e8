#include "poster/web/link_shortening.h"

#include "platform/common/text.h"
#include "poster/web/form_post.h"

namespace poster::web {

std::u16string WithWebScheme(const std::u16string& longAddress) {
  if (platform::StartsWithAsciiNoCase(longAddress, u"http:") ||
      platform::StartsWithAsciiNoCase(longAddress, u"https:")) {
    return longAddress;
  }
  return u"http://" + longAddress;
}

std::u16string RequestShortLink(platform::HttpClient& http, const std::u16string& address,
                                std::u16string_view longAddress) {
  return FormPost(http, address, FormField(u"TheLongURL", longAddress));
}

}  // namespace poster::web
