// The Kestrova data folder that Lumora and its installer share, and the names of the files in it.
#pragma once

#include <string>

namespace kestrova {

// The environment variable the folder is found from.
inline constexpr char16_t kProgramFilesVariable[] = u"ProgramFiles";

// The stored credentials, one line each.
inline constexpr char16_t kUserNameFile[] = u"UN.DAT";
inline constexpr char16_t kPasswordFile[] = u"PW.DAT";
// The program the installer writes and the browser script starts.
inline constexpr char16_t kProgramFile[] = u"Lumora.exe";
// The registration the installer writes, and the same file as the registry editor's command
// line names it (the file system reads both spellings as one file).
inline constexpr char16_t kRegistrationFile[] = u"Lumora.Reg";
inline constexpr char16_t kRegistrationFileAsCommanded[] = u"Lumora.reg";
// The browser script the registration names.
inline constexpr char16_t kScriptFile[] = u"Lumora.htm";
// The page that offers the bookmarklet, for browsers without the context-menu entry.
inline constexpr char16_t kBookmarkletPageFile[] = u"Lumora-bookmarklet.htm";

// `programFiles`, a backslash where it lacks one, then "Kestrova\". Always ends in a
// backslash; an unset variable (empty value) gives "\Kestrova\", the folder of that name at the
// root of the current drive. A file's path is this folder followed directly by its name.
inline std::u16string DataFolderFor(const std::u16string& programFiles) {
  std::u16string folder = programFiles;
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder + u"Kestrova\\";
}

}  // namespace kestrova
