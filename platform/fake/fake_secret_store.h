// A secret-store fake: secrets kept in a map, every change recorded.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/common/failure.h"
#include "platform/fake/journal.h"
#include "platform/secret_store.h"

namespace platform::fake {

class FakeSecretStore final : public SecretStore {
 public:
  explicit FakeSecretStore(Journal* journal = nullptr) : journal_(journal) {}
  void Keep(const std::u16string& target, const StoredSecret& secret) override {
    if (journal_) journal_->push_back("KeepSecret");
    if (failure) throw *failure;
    if (secret.secret.size() > kMaxSecretBytes) throw Failure(1783, u"The secret is too long.");
    secrets[target] = secret;
  }
  std::optional<StoredSecret> Find(const std::u16string& target) override {
    if (failure) throw *failure;
    const auto found = secrets.find(target);
    if (found == secrets.end()) return std::nullopt;
    return found->second;
  }
  void Forget(const std::u16string& target) override {
    if (journal_) journal_->push_back("ForgetSecret");
    if (failure) throw *failure;
    secrets.erase(target);
  }
  std::map<std::u16string, StoredSecret> secrets;
  std::optional<Failure> failure;

 private:
  Journal* journal_;
};

}  // namespace platform::fake
