// The data-folder rule and the text of the two files the installer writes beside Lumora.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

namespace installer {

// ProgramFiles, a backslash where it lacks one, then "Kestrova\". Always ends in a backslash;
// an unset variable (empty value) gives "\Kestrova\", which the caller resolves to a full path.
std::u16string DataFolderFor(const std::u16string& programFiles);

// Why the browser could not be sent to `dataFolder`, as a sentence for the user; nullopt when
// it can. A usable folder is a full path on a drive ("C:\...") or on a network share
// ("\\server\share\...") and holds no character that Windows forbids in a name, nor "%" or
// "#", which the script's command and the menu entry's address would read as something else.
std::optional<std::u16string> FolderProblem(const std::u16string& dataFolder);

// True when the ANSI code page holds `text` exactly (no character lost or replaced).
bool AnsiHolds(const platform::AnsiCodec& ansi, std::u16string_view text);

// The four lines of Lumora.Reg: the context-menu key whose default value names the script in
// `dataFolder`. A drive path is stored with each separator doubled, as the first release
// stored it; a network path exactly. No line ending is included.
std::vector<std::u16string> RegistryLines(const std::u16string& dataFolder);

// The 29 lines of Lumora.htm: copies the selection to the clipboard and starts the Lumora.exe
// in `dataFolder`, named in the script's string as the registry names the script. Every
// character outside ASCII is written as a \uXXXX escape, so the lines are ASCII whatever the
// folder. No line ending is included.
std::vector<std::u16string> ScriptLines(const std::u16string& dataFolder);

// The registry editor in the Windows folder `windowsFolder`.
std::u16string RegeditPath(const std::u16string& windowsFolder);

// The command line that has the registry editor merge the registry file in `dataFolder`.
std::u16string RegeditCommandLine(const std::u16string& dataFolder);

// Title and text of the message shown once the registry editor has had its time.
extern const std::u16string kClosingTitle;
extern const std::u16string kClosingText;

// Title of the message that refuses an unusable data folder.
extern const std::u16string kFolderProblemTitle;

}  // namespace installer
