// Environment variables and folder creation.
#pragma once

#include <string>

namespace platform {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; the empty string when it is unset.
  virtual std::u16string Variable(const std::u16string& name) const = 0;
  // Creates the last level of `path` (a trailing backslash is allowed). Returns false when the
  // folder exists, access is denied or the parent is missing; never throws.
  virtual bool CreateFolder(const std::u16string& path) = 0;
};

}  // namespace platform
