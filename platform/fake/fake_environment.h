// An environment fake: variables, path resolution and folder creation as the test sets them.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "platform/environment.h"

namespace platform::fake {

class FakeEnvironment : public Environment {
 public:
  std::u16string Variable(const std::u16string& name) const override {
    auto it = variables.find(name);
    return it == variables.end() ? std::u16string() : it->second;
  }
  // Resolved as the system resolves it, giving only what the system can: forward slashes
  // become backslashes and a run of them one; a path rooted on no drive lands on the drive of
  // `currentFolder`, a relative one in `currentFolder`, "X:name" in `currentFolder` when that is on
  // drive X and at X's root otherwise; "." and ".." are resolved, never above the drive or the
  // share
  // (\\server\share\). A "\\?\" path comes back untouched.
  std::u16string FullPath(const std::u16string& path) const override;
  std::u16string ProgramFilesFolder() const override {
    if (programFilesFailure) throw *programFilesFailure;
    return programFilesFolder;
  }
  std::u16string WindowsFolder() const override { return windowsFolder; }
  bool CreateFolder(const std::u16string& path) override {
    createdFolders.push_back(path);
    return createSucceeds;
  }
  std::u16string UserLanguage() const override { return userLanguage; }
  std::map<std::u16string, std::u16string> variables;
  std::u16string userLanguage = u"en-GB";
  std::u16string currentFolder = u"C:\\Downloads\\";  // a full path ending in a backslash
  std::u16string windowsFolder = u"C:\\Windows";
  std::u16string programFilesFolder = u"C:\\Program Files (x86)";
  std::optional<Failure> programFilesFailure;
  std::vector<std::u16string> createdFolders;
  bool createSucceeds = true;
};

}  // namespace platform::fake
