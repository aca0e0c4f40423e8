#include <stdexcept>

#include "poster/lumora_main.h"

namespace poster {

void LumoraMain::BuildPostData(std::vector<std::uint8_t>& BYTEARRAY,
                               const std::u16string& strPostData) const {
  if (strPostData.empty()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(strPostData.size());
  for (char16_t unit : strPostData) {
    // One code unit at a time, so n code units always give n bytes or an error.
    const std::string ansi = s_.ansi.ToAnsi(std::u16string_view(&unit, 1));
    if (ansi.size() != 1) throw std::overflow_error("character does not fit one byte");
    bytes.push_back(static_cast<std::uint8_t>(ansi[0]));
  }
  BYTEARRAY = std::move(bytes);
}

std::u16string LumoraMain::PostURLSource(const std::u16string& TheURL) {
  return Post(TheURL, nullptr, nullptr);
}

std::u16string LumoraMain::CredentialPostURLSource(const std::u16string& TheURL,
                                                   const std::u16string& UN,
                                                   const std::u16string& PS) {
  return Post(TheURL, &UN, &PS);
}

std::u16string LumoraMain::Post(const std::u16string& TheURL, const std::u16string* UN,
                                const std::u16string* PS) {
  const auto question = TheURL.find(u'?');
  if (question == std::u16string::npos) return {};
  const std::u16string address = TheURL.substr(0, question);
  std::vector<std::uint8_t> body;
  BuildPostData(body, TheURL.substr(question + 1));
  const std::u16string contentType = u"application/x-www-form-urlencoded\n\r";

  const auto request = s_.http.CreateRequest();
  if (UN) {
    request->Open(u"POST", address, false, *UN, *PS);
  } else {
    request->Open(u"POST", address, false);
  }
  request->SetRequestHeader(u"Content-Type", contentType);
  request->Send(body);
  return request->ResponseText();
}

}  // namespace poster
