#include "platform/win32/whole_file.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Removes the temporary file unless the rename has consumed it.
class TempFile {
 public:
  explicit TempFile(std::wstring path) : path_(std::move(path)) {}
  ~TempFile() {
    handle_.Reset();
    if (created_ && !renamed_) DeleteFileW(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Create() {
    handle_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle_) ThrowLastError();
    created_ = true;
  }
  HANDLE Handle() const { return handle_.Get(); }
  void RenameOver(const std::wstring& target) {
    handle_.Reset();
    if (!MoveFileExW(path_.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ThrowLastError();
    }
    renamed_ = true;
  }

 private:
  std::wstring path_;
  FileHandle handle_;
  bool created_ = false;
  bool renamed_ = false;
};

}  // namespace

void ReplaceFileWhole(const std::wstring& target, const void* data, std::size_t size) {
  // Beside the target, so the rename stays on one volume and never turns into a copy.
  TempFile temp(target + L"." + Wide(DecimalText(GetCurrentProcessId())) + L".tmp");
  temp.Create();
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
    DWORD written = 0;
    if (!WriteFile(temp.Handle(), bytes + done, chunk, &written, nullptr)) ThrowLastError();
    // A write that reports success but moves nothing would loop for ever.
    if (written == 0) throw SystemFailure(ERROR_WRITE_FAULT);
    done += written;
  }
  if (!FlushFileBuffers(temp.Handle())) ThrowLastError();
  temp.RenameOver(target);
}

}  // namespace platform::win32
