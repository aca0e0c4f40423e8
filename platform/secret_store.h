// Secrets kept for the current user by the system's credential store, one per target name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// A secret as kept: the account it belongs to (shown to the user, not secret) and its bytes.
struct StoredSecret {
  std::u16string account;
  std::string secret;
};

class SecretStore {
 public:
  // The most bytes one secret may hold; the credential store refuses more.
  static constexpr std::size_t kMaxSecretBytes = 2560;

  // Keeps `secret` (opaque bytes, at most kMaxSecretBytes) with `account` under `target`, for the
  // current user only, replacing what that target held. Throws Failure when the store refuses.
  virtual void Keep(const std::u16string& target, const StoredSecret& secret) = 0;
  // The secret kept under `target`; nullopt when there is none. Throws Failure when the store
  // cannot be read.
  virtual std::optional<StoredSecret> Find(const std::u16string& target) = 0;
  // Removes what `target` holds; a target that holds nothing is no failure. Throws Failure when
  // the store refuses.
  virtual void Forget(const std::u16string& target) = 0;

 protected:
  // Never deleted through this interface: each lives as long as the program or its owner.
  ~SecretStore() = default;
};

// The current user's store (Credential Manager on Windows); lives as long as the program.
SecretStore& SystemSecretStore();

}  // namespace platform
