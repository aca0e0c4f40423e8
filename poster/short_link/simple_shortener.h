// Shortening services with a simple API: one GET whose address holds the long address, and a
// reply that is the short link alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace poster::web {

// Where the long address goes in such a service's address.
inline constexpr char16_t kLongAddressPlaceholder[] = u"{url}";

// Whether `address` names a simple API rather than the built-in protocol.
bool IsSimpleShortenerAddress(std::u16string_view address);

// `text` as a simple API's address: a web address (see WebAddress) up to the "?", then a query
// of printable characters without "#" or spaces, holding kLongAddressPlaceholder at least once.
// The scheme comes back in lower case; nullopt for anything else.
std::optional<std::u16string> SimpleShortenerAddress(std::u16string_view text);

// The address to GET: every placeholder in `address` replaced by `longAddress` as UTF-8,
// percent-encoded (a space as "%20"), so it is a single query value.
std::u16string SimpleShortenerRequest(std::u16string_view address, std::u16string_view longAddress);

// The short link in a simple API's reply: the whole body without surrounding white space, when
// that passes the link rule of ShortLinkIn and is not empty; nullopt otherwise.
std::optional<std::u16string> SimpleShortLinkIn(std::u16string_view reply);

}  // namespace poster::web
