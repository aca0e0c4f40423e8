// How the web requests' failures read in Lumora's boxes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/common/failure.h"

namespace platform::win32 {

// Codes of Lumora's own refusals, with the customer bit set so that no system error shares them.
inline constexpr std::uint32_t kProxyLogonRefused = 0x20000001;  // a 407 Lumora does not answer
inline constexpr std::uint32_t kTunnelClosedAtChallenge = 0x20000002;
inline constexpr std::uint32_t kIpv6LiteralRefused = 0x20000003;
inline constexpr std::uint32_t kWinHttpMissing = 126;  // ERROR_MOD_NOT_FOUND

// The sentence for a WinHTTP or socket error code: Lumora's own words for the common ones,
// WinHTTP's message table for the rest, "The request to the server failed (error N)." last.
std::u16string DescribeHttpError(std::uint32_t code);

// The certificate problem that the status callback reported as `flags`; empty when none.
std::u16string SecureFailureReason(std::uint32_t flags);

// A Failure for `code`, described by DescribeHttpError.
Failure HttpFailure(std::uint32_t code);

// The failure of a request that did not end within its deadline.
Failure HttpTimedOut();

// `failure` marked as one the server may have received the request before, when sending had
// begun (`sendBegan`) and its code is not one of those raised before anything goes out: the
// server's name, the connection, the secure channel, the proxy, Lumora's own refusals.
Failure AfterSending(Failure failure, bool sendBegan);

}  // namespace platform::win32
