// The data-folder rule and the text of the two files the installer writes beside Lumora.
#pragma once

#include <string>
#include <vector>

namespace installer {

// ProgramFiles, a backslash where it lacks one, then "Kestrova\". Always ends in a backslash;
// an unset variable (empty value) gives "\Kestrova\".
std::u16string DataFolderFor(const std::u16string& programFiles);

// The four lines of Lumora.Reg: the context-menu key whose default value names the script in
// `dataFolder`, each backslash of the path written as four. No line ending is included.
std::vector<std::u16string> RegistryLines(const std::u16string& dataFolder);

// The 29 lines of Lumora.htm: copies the selection to the clipboard and starts the Lumora.exe
// in `dataFolder`, each backslash of the path written as four. No line ending is included.
std::vector<std::u16string> ScriptLines(const std::u16string& dataFolder);

// The command line that has the registry editor merge the registry file in `dataFolder`.
std::u16string RegeditCommandLine(const std::u16string& dataFolder);

// Title and text of the message shown once the registry editor has had its time.
extern const std::u16string kClosingTitle;
extern const std::u16string kClosingText;

}  // namespace installer
