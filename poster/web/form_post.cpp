#include "poster/web/form_post.h"

#include <cstdint>
#include <vector>

#include "poster/web/form_encoding.h"

namespace poster::web {

std::string FormField(std::u16string_view name, std::u16string_view value) {
  std::string field;
  // Both halves are ASCII: the name is ours and FormEncode writes nothing else.
  for (char16_t c : name) field += static_cast<char>(c);
  field += '=';
  for (char16_t c : FormEncode(value)) field += static_cast<char>(c);
  return field;
}

std::u16string FormPost(platform::HttpClient& http, const std::u16string& address,
                        std::string_view body, const std::optional<Credentials>& credentials) {
  const auto request = http.CreateRequest();
  if (credentials) {
    request->Open(u"POST", address, credentials->userName, credentials->password);
  } else {
    request->Open(u"POST", address);
  }
  request->SetRequestHeader(u"Content-Type", kFormContentType);
  request->Send(std::vector<std::uint8_t>(body.begin(), body.end()));
  return request->ResponseText();
}

}  // namespace poster::web
