#include "platform/sha256.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include "platform/win32/system_error.h"

namespace platform {

std::array<std::uint8_t, 32> Sha256(std::string_view bytes) {
  // CryptoAPI lives in advapi32, which the program imports anyway; PROV_RSA_AES is the provider
  // with SHA-256 on every Windows and Wine this program runs on.
  std::array<std::uint8_t, 32> digest;
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  DWORD size = digest.size();
  const bool done =
      CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0);
  const DWORD error = GetLastError();
  if (hash) CryptDestroyHash(hash);
  if (provider) CryptReleaseContext(provider, 0);
  if (!done) throw win32::SystemFailure(error);
  return digest;
}

}  // namespace platform
