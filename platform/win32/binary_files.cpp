#include "platform/binary_files.h"

#include <windows.h>

#include <string>

#include "platform/common/failure.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/whole_file.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32BinaryFiles : public BinaryFiles {
 public:
  void WriteWhole(const std::u16string& path, const std::vector<std::uint8_t>& bytes) override {
    RefuseWhenInUse(path);

    // A full disk or a crash never leaves a truncated program under the real name.
    ReplaceFileWhole(path, bytes.data(), bytes.size());
  }

 private:
  // A program that is running keeps its file open as an image; writing to it is refused with
  // a sharing violation. Asking first avoids writing a whole copy only to throw it away, and
  // covers a rename that the file system would let through over an open file.
  static void RefuseWhenInUse(const std::u16string& target) {
    const FileHandle probe(CreateFileW(Wide(target), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (probe.Valid()) return;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return;
    throw SystemFailure(code);
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

BinaryFiles& SystemBinaryFiles() {
  static win32::Win32BinaryFiles files;
  return files;
}

}  // namespace platform
