#include "poster/sign_in/pkce.h"

#include "platform/sha256.h"

namespace poster::sign_in {

std::u16string Base64Url(const std::uint8_t* bytes, std::size_t count) {
  constexpr char16_t kDigits[] =
      u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::u16string out;
  std::uint32_t bits = 0;
  int held = 0;
  for (std::size_t i = 0; i < count; ++i) {
    bits = bits << 8 | bytes[i];
    for (held += 8; held >= 6; held -= 6) out += kDigits[(bits >> (held - 6)) & 63];
  }
  if (held > 0) out += kDigits[(bits << (6 - held)) & 63];
  return out;
}

std::u16string RandomToken(platform::Random& random) {
  std::uint8_t bytes[32];
  random.Fill(bytes, sizeof bytes);
  return Base64Url(bytes, sizeof bytes);
}

std::u16string PkceChallenge(std::u16string_view verifier) {
  const std::string ascii(verifier.begin(), verifier.end());
  const std::array<std::uint8_t, 32> digest = platform::Sha256(ascii);
  return Base64Url(digest.data(), digest.size());
}

}  // namespace poster::sign_in
