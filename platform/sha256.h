// The SHA-256 digest, for the browser sign-in's proof key.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace platform {

// The SHA-256 digest of `bytes`. Throws Failure when the system cannot compute it.
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);

}  // namespace platform
