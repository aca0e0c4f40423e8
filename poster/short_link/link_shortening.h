// The link-shortening request: a long address sent anonymously to the shortening service.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"

namespace poster::web {

// A long address shorter than this (after trimming) is refused without a request.
inline constexpr std::size_t kShortestLongAddress = 7;

// `longAddress` as it is sent: unchanged when it starts with "http:" or "https:" in any case,
// otherwise with "http://" before it.
std::u16string WithWebScheme(const std::u16string& longAddress);

// Sends `longAddress` to `address` without credentials and returns the reply text: one GET of
// SimpleShortenerRequest when `address` names a simple API, otherwise "TheLongURL=" and
// `longAddress` form-encoded in a POST. Throws platform::Failure.
std::u16string RequestShortLink(platform::HttpClient& http, const std::u16string& address,
                                std::u16string_view longAddress);

// The short link in `reply`, the answer of RequestShortLink for `address`: SimpleShortLinkIn's
// for a simple API, ShortLinkIn's otherwise.
std::optional<std::u16string> ShortLinkFrom(std::u16string_view address, std::u16string_view reply);

}  // namespace poster::web
