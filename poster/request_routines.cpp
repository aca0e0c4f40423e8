#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "poster/lumora_main.h"
#include "poster/web/form_post.h"

namespace poster {

void LumoraMain::BuildPostData(std::vector<std::uint8_t>& BYTEARRAY,
                               const std::u16string& strPostData) const {
  if (strPostData.empty()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(strPostData.size());
  for (char16_t unit : strPostData) {
    // One code unit at a time, so n code units always give n bytes or an error.
    const std::string ansi = s_.ansi.ToAnsi(std::u16string_view(&unit, 1));
    if (ansi.size() != 1)
      throw platform::ProgramError(platform::ProgramError::Kind::kOverflow,
                                   "character does not fit one byte");
    bytes.push_back(static_cast<std::uint8_t>(ansi[0]));
  }
  BYTEARRAY = std::move(bytes);
}

std::u16string LumoraMain::PostURLSource(const std::u16string& TheURL) {
  return PostQuery(TheURL, std::nullopt);
}

std::u16string LumoraMain::CredentialPostURLSource(const std::u16string& TheURL,
                                                   const std::u16string& UN,
                                                   const std::u16string& PS) {
  return PostQuery(TheURL, web::Credentials{UN, PS});
}

std::u16string LumoraMain::PostQuery(const std::u16string& TheURL,
                                     const std::optional<web::Credentials>& credentials) {
  const auto question = TheURL.find(u'?');
  if (question == std::u16string::npos) return {};
  std::vector<std::uint8_t> body;
  // Converted before any request object exists, so a body that does not fit sends nothing.
  BuildPostData(body, TheURL.substr(question + 1));
  return web::FormPost(s_.http, TheURL.substr(0, question), std::string(body.begin(), body.end()),
                       credentials);
}

}  // namespace poster
