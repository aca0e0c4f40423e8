#include "poster/classic/status_update.h"

namespace poster::web {

std::u16string PostStatus(platform::HttpClient& http, const std::u16string& address,
                          std::u16string_view status, const Credentials& credentials) {
  return FormPost(http, address, FormField(u"status", status), credentials);
}

}  // namespace poster::web
