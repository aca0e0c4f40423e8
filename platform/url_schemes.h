// Link schemes (such as name:...) that the system opens with a program, for the current user.
#pragma once

#include <optional>
#include <string>

namespace platform {

class UrlSchemes {
 public:
  virtual ~UrlSchemes() = default;
  // The command stored for opening links of `scheme` for the current user, exactly as stored;
  // nullopt when the user has no such scheme, or has it without the mark of a link scheme.
  // Never throws: what cannot be read counts as absent.
  virtual std::optional<std::u16string> OpenCommand(const std::u16string& scheme) const = 0;
  // Makes `scheme` a link scheme of the current user (no administrator rights needed), named
  // `description` and opened by `command`, replacing what was stored. Throws Failure.
  virtual void Register(const std::u16string& scheme, const std::u16string& description,
                        const std::u16string& command) = 0;
};

}  // namespace platform
