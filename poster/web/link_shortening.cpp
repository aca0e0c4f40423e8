#include <algorithm>
#include <optional>

#include "platform/failure.h"
#include "platform/text.h"
#include "poster/lumora_main.h"
#include "poster/text_rules.h"
#include "poster/web/form_encoding.h"
#include "poster/web/reply_rules.h"
#include "poster/web/simple_shortener.h"

namespace poster {
namespace {

constexpr std::size_t kShortestLongAddress = 7;

bool HasWebScheme(std::u16string_view address) {
  return platform::StartsWithAsciiNoCase(address, u"http:") ||
         platform::StartsWithAsciiNoCase(address, u"https:");
}

}  // namespace

void LumoraMain::CreateTinyURLButton_Click() {
  std::u16string longAddress = TrimSpaces(c_.theLongUrl.Text());
  if (longAddress.size() < kShortestLongAddress) {
    Warn(u"Please paste a website address (URL) into the box!");
    return;
  }
  if (!HasWebScheme(longAddress)) longAddress = u"http://" + longAddress;
  if (!addresses_.sightlink.problem.empty()) {
    Warn(addresses_.sightlink.problem);
    return;
  }
  const bool simpleApi = web::IsSimpleShortenerAddress(addresses_.sightlink.address);

  c_.createTinyUrlButton.SetEnabled(false);
  s_.mousePointer.Set(platform::Pointer::kHourglass);
  std::u16string response;
  try {
    if (simpleApi) {
      // One GET carrying the long address; the reply is the short link alone.
      const auto request = s_.http.CreateRequest();
      request->Open(u"GET", web::SimpleShortenerRequest(addresses_.sightlink.address, longAddress),
                    false);
      request->Send({});
      response = request->ResponseText();
    } else {
      response = PostURLSource(addresses_.sightlink.address + u"?TheLongURL=" +
                               web::FormEncode(longAddress));
    }
  } catch (const platform::Failure& failure) {
    s_.mousePointer.Set(platform::Pointer::kDefault);
    c_.createTinyUrlButton.SetEnabled(true);
    Warn(u"The short link could not be made: " + failure.Description());
    return;
  }
  const std::optional<std::u16string> shortLink =
      simpleApi ? web::SimpleShortLinkIn(response) : web::ShortLinkIn(response);
  s_.mousePointer.Set(platform::Pointer::kDefault);
  c_.createTinyUrlButton.SetEnabled(true);

  if (shortLink) {
    c_.yourTweet.SetText(c_.yourTweet.Text() + u' ' + *shortLink);
  } else {
    Warn(u"Sorry - there's been a problem with the URL you submitted!");
  }
}

}  // namespace poster
