// A URL-scheme fake: schemes kept in a map, every registration recorded.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "platform/fake/journal.h"
#include "platform/url_schemes.h"

namespace platform::fake {

// Schemes kept in a map; every registration is recorded in the journal and in `registered`.
class FakeUrlSchemes : public UrlSchemes {
 public:
  explicit FakeUrlSchemes(Journal* journal = nullptr) : journal_(journal) {}
  std::optional<std::u16string> OpenCommand(const std::u16string& scheme) const override {
    const auto found = commands.find(scheme);
    if (found == commands.end()) return std::nullopt;
    return found->second;
  }
  void Register(const std::u16string& scheme, const std::u16string& description,
                const std::u16string& command) override {
    if (journal_) journal_->push_back("RegisterScheme");
    if (registerFailure) throw *registerFailure;
    registered.push_back({scheme, description, command});
    commands[scheme] = command;
  }
  struct Registration {
    std::u16string scheme, description, command;
  };
  std::map<std::u16string, std::u16string> commands;
  std::vector<Registration> registered;
  std::optional<Failure> registerFailure;

 private:
  Journal* journal_;
};

}  // namespace platform::fake
