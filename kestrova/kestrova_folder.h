// The Kestrova data folder that Lumora and its installer share, and the names of the files in it.
#pragma once

#include <string>
#include <string_view>

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

// The link scheme that starts the installed Lumora, and its name as the system shows it.
inline constexpr char16_t kLinkScheme[] = u"lumora";
inline constexpr char16_t kLinkSchemeDescription[] = u"Lumora";

// The command the system runs to open a link: the program's full path and the link, quoted.
inline std::u16string LinkOpenCommand(std::u16string_view programPath) {
  return u"\"" + std::u16string(programPath) + u"\" \"%1\"";
}

// `programFiles`, a backslash where it lacks one, then "Kestrova\". Always ends in a
// backslash; an unset variable (empty value) gives "\Kestrova\", the folder of that name at the
// root of the current drive. A file's path is this folder followed directly by its name.
inline std::u16string DataFolderFor(const std::u16string& programFiles) {
  std::u16string folder = programFiles;
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder + u"Kestrova\\";
}

}  // namespace kestrova
