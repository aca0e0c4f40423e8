// Proof keys for the browser sign-in: base64url and the verifier with its challenge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/random.h"

namespace poster::sign_in {

// `bytes` in base64url without padding: A-Z a-z 0-9 "-" "_" only.
std::u16string Base64Url(const std::uint8_t* bytes, std::size_t count);

// 32 unpredictable bytes from `random` in base64url (43 characters): what a `state` or a
// verifier is made of. Throws platform::Failure when the generator fails.
std::u16string RandomToken(platform::Random& random);

// The S256 challenge for `verifier` (plain ASCII): base64url(SHA-256(verifier)). Throws
// platform::Failure when the system cannot compute the digest.
std::u16string PkceChallenge(std::u16string_view verifier);

}  // namespace poster::sign_in
