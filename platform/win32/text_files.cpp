#include <windows.h>

#include "platform/first_line.h"
#include "platform/win32/backends.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

// Closes the handle however the operation ends.
class FileHandle {
 public:
  FileHandle(const std::u16string& path, DWORD access, DWORD disposition)
      : handle_(CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (handle_ == INVALID_HANDLE_VALUE) ThrowLastError();
  }
  ~FileHandle() { CloseHandle(handle_); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

void WriteAll(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD part = size > kChunkBytes ? kChunkBytes : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, part, &written, nullptr)) ThrowLastError();
    data += written;
    size -= written;
  }
}

class Win32TextFiles : public TextFiles {
 public:
  void AppendCreate(const std::u16string& path) override {
    FileHandle file(path, FILE_APPEND_DATA, OPEN_ALWAYS);
  }

  std::optional<std::string> ReadFirstLine(const std::u16string& path) override {
    FileHandle file(path, GENERIC_READ, OPEN_EXISTING);
    FirstLineScanner scanner;
    std::string chunk(kChunkBytes, '\0');
    bool anyBytes = false;
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), chunk.data(), kChunkBytes, &got, nullptr)) ThrowLastError();
      if (got == 0) break;
      anyBytes = true;
      if (scanner.Feed(std::string_view(chunk.data(), got))) break;
    }
    if (!anyBytes) return std::nullopt;
    return scanner.Line();
  }

  void WriteLines(const std::u16string& path, const std::vector<std::string>& lines) override {
    FileHandle file(path, GENERIC_WRITE, CREATE_ALWAYS);
    std::string bytes;
    for (const auto& line : lines) {
      bytes += line;
      bytes += "\r\n";
    }
    WriteAll(file.Get(), bytes.data(), bytes.size());
  }
};

}  // namespace

TextFiles& TheTextFiles() {
  static Win32TextFiles files;
  return files;
}

}  // namespace platform::win32
