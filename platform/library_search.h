// Where the program's later library loads may look.
#pragma once

namespace platform {

// Restricts every later library load of the process to the system folder, so that a library
// of the same name lying beside the program or in the current folder is never loaded. Call it
// first in main. Returns false where the system lacks that restriction; the current folder is
// then at least taken out of the search.
bool LoadLibrariesFromSystemFolderOnly();

}  // namespace platform
