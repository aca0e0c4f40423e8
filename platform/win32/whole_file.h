// Replacing a file whole: a temporary file beside it, flushed, then renamed over it.
#pragma once

#include <cstddef>
#include <string>

namespace platform::win32 {

// Writes `size` bytes from `data` to a new temporary file with an unpredictable name in
// `target`'s folder, flushes it to disk and puts it in `target`'s place, keeping the access
// list `target` had. On any failure the temporary file is removed, `target` keeps its old
// content (or stays missing) and Failure is thrown.
void ReplaceFileWhole(const std::wstring& target, const void* data, std::size_t size);

}  // namespace platform::win32
