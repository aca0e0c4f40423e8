// The status-update request: the status text POSTed to the status service as the account.
#pragma once

#include <string>
#include <string_view>

#include "platform/http.h"
#include "poster/web/form_post.h"

namespace poster::web {

// POSTs "status=" and `status` form-encoded to `address` with `credentials`; returns the
// reply text (IsSuccessReply judges it). Throws platform::Failure.
std::u16string PostStatus(platform::HttpClient& http, const std::u16string& address,
                          std::u16string_view status, const Credentials& credentials);

}  // namespace poster::web
