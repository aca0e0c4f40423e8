#include "platform/binary_files.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/failure.h"
#include "platform/win32/backends.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

Failure ErrorFailure(DWORD code) {
  return Failure(code, SystemMessage(code));
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  void Close() {
    if (Valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

class Win32BinaryFiles : public BinaryFiles {
 public:
  void WriteWhole(const std::u16string& path, const std::vector<std::uint8_t>& bytes) override {
    const std::wstring target(Wide(path));
    RefuseWhenInUse(target);

    // The bytes go to a file beside the target that is renamed over it only once complete, so
    // a full disk or a crash never leaves a truncated program under the real name. (Not
    // std::to_wstring: it would pull the whole wide printf family into the program.)
    const std::wstring temp =
        target + L"." + WidenAscii(std::to_string(GetCurrentProcessId())) + L".tmp";
    {
      Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.Valid()) throw ErrorFailure(GetLastError());
      std::size_t done = 0;
      while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
          const DWORD code = GetLastError();
          file.Close();
          DeleteFileW(temp.c_str());
          throw ErrorFailure(code);
        }
        done += written;
      }
      if (!FlushFileBuffers(file.Get())) {
        const DWORD code = GetLastError();
        file.Close();
        DeleteFileW(temp.c_str());
        throw ErrorFailure(code);
      }
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD code = GetLastError();
      DeleteFileW(temp.c_str());
      throw ErrorFailure(code);
    }
  }

 private:
  // A program that is running keeps its file open as an image; writing to it is refused with
  // a sharing violation. Asking first avoids writing a whole copy only to throw it away, and
  // covers a rename that the file system would let through over an open file.
  static void RefuseWhenInUse(const std::wstring& target) {
    Handle probe(CreateFileW(target.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (probe.Valid()) return;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return;
    throw ErrorFailure(code);
  }
};

}  // namespace

BinaryFiles& TheBinaryFiles() {
  static Win32BinaryFiles files;
  return files;
}

}  // namespace platform::win32
