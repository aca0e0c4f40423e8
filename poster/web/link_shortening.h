// The link-shortening request: a long address POSTed anonymously to the shortening service.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/http.h"

namespace poster::web {

// A long address shorter than this (after trimming) is refused without a request.
inline constexpr std::size_t kShortestLongAddress = 7;

// `longAddress` as it is sent: unchanged when it starts with "http:" or "https:" in any case,
// otherwise with "http://" before it.
std::u16string WithWebScheme(const std::u16string& longAddress);

// POSTs "TheLongURL=" and `longAddress` form-encoded to `address` without credentials;
// returns the reply text (ShortLinkIn reads it). Throws platform::Failure.
std::u16string RequestShortLink(platform::HttpClient& http, const std::u16string& address,
                                std::u16string_view longAddress);

}  // namespace poster::web
