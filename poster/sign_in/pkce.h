// Proof keys for the browser sign-in: SHA-256, base64url and the verifier with its challenge.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/random.h"

namespace poster::sign_in {

// The SHA-256 digest of `bytes`.
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);

// `bytes` in base64url without padding: A-Z a-z 0-9 "-" "_" only.
std::u16string Base64Url(const std::uint8_t* bytes, std::size_t count);

// 32 unpredictable bytes from `random` in base64url (43 characters): what a `state` or a
// verifier is made of. Throws platform::Failure when the generator fails.
std::u16string RandomToken(platform::Random& random);

// The S256 challenge for `verifier` (plain ASCII): base64url(SHA-256(verifier)).
std::u16string PkceChallenge(std::u16string_view verifier);

}  // namespace poster::sign_in
