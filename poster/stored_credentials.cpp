#include "poster/stored_credentials.h"

#include <utility>

#include "kestrova/kestrova_folder.h"
#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/text_rules.h"

namespace poster {

using kestrova::kPasswordFile;
using kestrova::kUserNameFile;

void StoredCredentials::Open() {
  files_.AppendCreate(platform::Joined({folder_, kUserNameFile}));
  files_.AppendCreate(platform::Joined({folder_, kPasswordFile}));
}

std::u16string StoredCredentials::UserName() const {
  return Read(kUserNameFile);
}

std::u16string StoredCredentials::Password() const {
  return Read(kPasswordFile);
}

std::u16string StoredCredentials::Read(const char16_t* fileName) const {
  const auto line = files_.ReadFirstLine(platform::Joined({folder_, fileName}));
  return line ? ansi_.FromAnsi(*line) : std::u16string();
}

std::optional<std::u16string> StoredCredentials::Store(const std::u16string& userName,
                                                       const std::u16string& password) {
  const std::pair<const char16_t*, const std::u16string*> stores[] = {{kUserNameFile, &userName},
                                                                      {kPasswordFile, &password}};
  for (const auto& [fileName, value] : stores) {
    const std::u16string path = platform::Joined({folder_, fileName});
    try {
      files_.WriteLines(path, {ansi_.ToAnsi(TrimSpaces(*value))});
    } catch (const platform::Failure& failure) {
      return platform::Joined({u"Your user name and password could not be saved in ", path, u": ",
                               failure.Description(),
                               u"\n\nNothing was sent. Your text is still here."});
    }
  }
  return std::nullopt;
}

}  // namespace poster
