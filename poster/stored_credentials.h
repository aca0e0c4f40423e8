// The user name and password kept between runs: the first line of UN.DAT and of PW.DAT in the
// program's data folder, in the ANSI code page.
#pragma once

#include <optional>
#include <string>

#include "platform/ansi.h"
#include "platform/text_files.h"

namespace poster {

class StoredCredentials {
 public:
  // The files live in `dataFolder` (which ends in a backslash) as it is at each call; it
  // outlives this object.
  StoredCredentials(platform::TextFiles& files, platform::AnsiCodec& ansi,
                    const std::u16string& dataFolder)
      : files_(files), ansi_(ansi), folder_(dataFolder) {}

  // Makes both files exist, keeping what they hold. Throws platform::Failure when one cannot
  // be made.
  void Open();
  // The stored values; empty when a file is empty or cannot be read.
  std::u16string UserName() const;
  std::u16string Password() const;
  // Stores both values trimmed of spaces, user name first. On the first write that fails,
  // returns the whole "Whoops!" text that says so; nullopt when both were stored.
  std::optional<std::u16string> Store(const std::u16string& userName,
                                      const std::u16string& password);

 private:
  std::u16string Read(const char16_t* fileName) const;

  platform::TextFiles& files_;
  platform::AnsiCodec& ansi_;
  const std::u16string& folder_;
};

}  // namespace poster
