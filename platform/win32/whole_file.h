// Replacing a file whole: a temporary file beside it, flushed, then renamed over it.
#pragma once

#include <cstddef>
#include <string>

namespace platform::win32 {

// Writes `size` bytes from `data` to a new temporary file with an unpredictable name in
// `target`'s folder, flushes it to disk and puts it in `target`'s place, keeping the access
// list `target` had; a sharing violation (another program holding the file for a moment) is
// tried again for about a second. On any failure the old content or the new one stays under
// `target`'s name (or it stays missing), no temporary file is left, and Failure is thrown when
// the new content is not in place.
void ReplaceFileWhole(const std::u16string& target, const void* data, std::size_t size);

// The system calls that put the written file in place, which the backend checks swap to make
// them fail as Windows can.
struct FilePlacement {
  // ReplaceFileW(target, replacement, backup, 0, ...); 0 or the error it reports.
  unsigned long (*replace)(const wchar_t* target, const wchar_t* replacement,
                           const wchar_t* backup);
  // Sleeps before the next try after a sharing violation.
  void (*pause)(unsigned long milliseconds);
};

// The calls ReplaceFileWhole makes; the system's own unless a check changed them.
FilePlacement& WholeFilePlacement();

}  // namespace platform::win32
