// Percent-encoding of form values as application/x-www-form-urlencoded in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace poster::web {

// `value` as UTF-8, each byte outside A-Z a-z 0-9 "*-._" written as %XX, a space as "+".
// The result is plain ASCII. A lone surrogate is encoded as U+FFFD.
std::u16string FormEncode(std::u16string_view value);

}  // namespace poster::web
