#include "platform/text_files.h"

#include <windows.h>

#include "platform/common/first_line.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/whole_file.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

FileHandle OpenFile(const std::u16string& path, DWORD access, DWORD disposition) {
  FileHandle file(CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLastError();
  return file;
}

class Win32TextFiles : public TextFiles {
 public:
  void AppendCreate(const std::u16string& path) override {
    OpenFile(path, FILE_APPEND_DATA, OPEN_ALWAYS);
  }

  std::optional<std::string> ReadFirstLine(const std::u16string& path) override {
    const FileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
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
    std::string bytes;
    for (const auto& line : lines) {
      bytes += line;
      bytes += "\r\n";
    }
    ReplaceFileWhole(path, bytes.data(), bytes.size());
  }

  void WriteUnicodeLines(const std::u16string& path,
                         const std::vector<std::u16string>& lines) override {
    std::u16string text = u"\uFEFF";
    for (const auto& line : lines) {
      text += line;
      text += u"\r\n";
    }
    // x86 and x64 are little-endian, so the code units already are UTF-16LE bytes.
    ReplaceFileWhole(path, text.data(), text.size() * sizeof(char16_t));
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

namespace {
// Built before the program starts, so no call pays for a first-use check.
constinit win32::Win32TextFiles files;
}  // namespace

TextFiles& SystemTextFiles() {
  return files;
}

}  // namespace platform
