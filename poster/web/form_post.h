// Form POSTs to a service: the form body, the request and the account's credentials.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"

namespace poster::web {

// The account's user name and password, handed to the request as they are given.
struct Credentials {
  std::u16string userName;
  std::u16string password;
};

inline constexpr char16_t kFormContentType[] = u"application/x-www-form-urlencoded";

// The form body "name=value" with `value` form-encoded (FormEncode): plain ASCII bytes.
std::string FormField(std::u16string_view name, std::u16string_view value);

// POSTs the form `body` to `address` through a new request object of `http`, which
// `credentials` answer a challenge for when given, and returns the reply text. The object is
// released before this returns, also when it throws. Throws platform::Failure.
std::u16string FormPost(platform::HttpClient& http, const std::u16string& address,
                        std::string_view body,
                        const std::optional<Credentials>& credentials = std::nullopt);

}  // namespace poster::web
