// Environment variables, paths as the system resolves them, and folder creation.
#pragma once

#include <string>

namespace platform {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; the empty string when it is unset.
  virtual std::u16string Variable(const std::u16string& name) const = 0;
  // `path` made absolute against the current drive and folder, the way the file system reads
  // it when a file is opened (separators unified, "." and ".." resolved; a trailing backslash
  // stays). The file system is not touched. `path` unchanged when the system cannot resolve it.
  virtual std::u16string FullPath(const std::u16string& path) const = 0;
  // The system's own Program Files folder for programs of this program's kind (on 64-bit
  // Windows a 32-bit program gets C:\Program Files (x86)), without a trailing backslash. It
  // does not depend on any environment variable. Throws Failure when the system cannot give it.
  virtual std::u16string ProgramFilesFolder() const = 0;
  // The system's shared Windows folder (such as C:\Windows), without a trailing backslash
  // unless it is a drive's root. Throws Failure when the system cannot give it.
  virtual std::u16string WindowsFolder() const = 0;
  // Creates the last level of `path` (a trailing backslash is allowed). Returns false when the
  // folder exists, access is denied or the parent is missing; never throws.
  virtual bool CreateFolder(const std::u16string& path) = 0;
  // The user's display language as a BCP-47 tag ("en-US"); empty when the system cannot say.
  virtual std::u16string UserLanguage() const = 0;
};

// The running system's environment and file system paths; lives as long as the program.
Environment& SystemEnvironment();

}  // namespace platform
