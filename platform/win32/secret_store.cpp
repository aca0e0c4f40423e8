#include "platform/secret_store.h"

#include <windows.h>

#include <memory>
// After windows.h, which it needs.
#include <wincred.h>

#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

struct CredentialFree {
  void operator()(CREDENTIALW* credential) const { CredFree(credential); }
};

class CredentialStore final : public SecretStore {
 public:
  void Keep(const std::u16string& target, const StoredSecret& secret) override {
    if (secret.secret.size() > kMaxSecretBytes) throw SystemFailure(ERROR_INVALID_PARAMETER);
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = const_cast<wchar_t*>(Wide(target));
    credential.UserName = const_cast<wchar_t*>(Wide(secret.account));
    credential.CredentialBlobSize = static_cast<DWORD>(secret.secret.size());
    credential.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<char*>(secret.secret.data()));
    // Local machine, not enterprise: the secret stays with this user on this computer and
    // never travels with a roaming profile.
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    if (!CredWriteW(&credential, 0)) ThrowLastError();
  }

  std::optional<StoredSecret> Find(const std::u16string& target) override {
    CREDENTIALW* found = nullptr;
    if (!CredReadW(Wide(target), CRED_TYPE_GENERIC, 0, &found)) {
      if (GetLastError() == ERROR_NOT_FOUND) return std::nullopt;
      ThrowLastError();
    }
    const std::unique_ptr<CREDENTIALW, CredentialFree> owned(found);
    StoredSecret secret;
    if (found->UserName) secret.account = FromWide(found->UserName, wcslen(found->UserName));
    secret.secret.assign(reinterpret_cast<const char*>(found->CredentialBlob),
                         found->CredentialBlobSize);
    return secret;
  }

  void Forget(const std::u16string& target) override {
    if (!CredDeleteW(Wide(target), CRED_TYPE_GENERIC, 0) && GetLastError() != ERROR_NOT_FOUND)
      ThrowLastError();
  }
};

}  // namespace
}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::CredentialStore store;
}  // namespace

SecretStore& SystemSecretStore() {
  return store;
}

}  // namespace platform
