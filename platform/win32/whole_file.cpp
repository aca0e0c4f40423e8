#include "platform/win32/whole_file.h"

#include <windows.h>
// After windows.h, which it needs.
#include <ntsecapi.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/common/failure.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// A name already taken is tried again with other random digits, a few times.
constexpr int kNameAttempts = 8;
// An antivirus or indexer holds a new file for a moment: five tries a quarter second apart.
constexpr int kPlaceAttempts = 5;
constexpr unsigned long kPlacePauseMs = 250;

unsigned long SystemReplace(const wchar_t* target, const wchar_t* replacement,
                            const wchar_t* backup) {
  return ReplaceFileW(target, replacement, backup, 0, nullptr, nullptr) ? 0 : GetLastError();
}

void SystemPause(unsigned long milliseconds) {
  Sleep(milliseconds);
}

// Puts the file at `path` in `target`'s place: replaced with `backup` as the old file's name
// when there is a target, moved there otherwise. Tried again while the failure is a sharing
// violation; returns 0 or the last error.
unsigned long PlaceRetrying(const wchar_t* target, const wchar_t* path, const wchar_t* backup) {
  for (int attempt = 1;; ++attempt) {
    unsigned long code = 0;
    if (backup != nullptr) {
      code = WholeFilePlacement().replace(target, path, backup);
    } else if (!MoveFileExW(path, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      code = GetLastError();
    }
    if ((code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) ||
        attempt == kPlaceAttempts) {
      return code;
    }
    WholeFilePlacement().pause(kPlacePauseMs);
  }
}

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

bool Move(const std::u16string& from, const std::u16string& to) {
  return MoveFileExW(Wide(from), Wide(to), MOVEFILE_WRITE_THROUGH);
}

// `target` with a dot, 16 hex digits from the system's random source and `suffix` after it. A
// name that can be known in advance lets anyone who can write to the folder plant a file or a
// link there first.
std::u16string RandomSideName(const std::u16string& target, const char16_t* suffix) {
  std::uint8_t bytes[8];
  if (!RtlGenRandom(bytes, sizeof bytes)) throw SystemFailure(ERROR_GEN_FAILURE);
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string name = target;
  name += u'.';
  for (std::uint8_t byte : bytes) {
    name += kHex[byte >> 4];
    name += kHex[byte & 0xF];
  }
  name += suffix;
  return name;
}

// The target's access list, or nothing when there is no target yet.
std::vector<char> AccessListOf(const std::u16string& target) {
  const FileHandle file(CreateFileW(Wide(target), READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return {};
    throw SystemFailure(code);
  }
  std::vector<char> descriptor(256);
  for (;;) {
    DWORD needed = 0;
    if (GetKernelObjectSecurity(file.Get(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                static_cast<DWORD>(descriptor.size()), &needed)) {
      return descriptor;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= descriptor.size()) {
      ThrowLastError();
    }
    descriptor.resize(needed);
  }
}

// Removes the temporary file unless it has taken the target's place.
class TempFile {
 public:
  explicit TempFile(const std::u16string& target) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      path_ = RandomSideName(target, u".tmp");
      // CREATE_NEW: a file or link already under the name is never opened, let alone written
      // through.
      handle_.Reset(CreateFileW(Wide(path_), GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
      if (handle_) return;
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) throw SystemFailure(code);
    }
    throw SystemFailure(ERROR_FILE_EXISTS);
  }
  ~TempFile() {
    handle_.Reset();
    if (!placed_) DeleteFileW(Wide(path_));
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  HANDLE Handle() const { return handle_.Get(); }

  void TakeAccessList(std::vector<char>& descriptor) {
    if (!SetKernelObjectSecurity(handle_.Get(), DACL_SECURITY_INFORMATION, descriptor.data())) {
      ThrowLastError();
    }
  }

  void Replace(const std::u16string& target, bool targetExists) {
    handle_.Reset();
    if (!targetExists) {
      const unsigned long code = PlaceRetrying(Wide(target), Wide(path_), nullptr);
      if (code != 0) throw SystemFailure(code);
      placed_ = true;
      return;
    }
    // ReplaceFileW keeps the target's access list, attributes and other streams on Windows;
    // Wine's keeps none of them, which is why the access list was copied beforehand. With a
    // backup name, a failure part way leaves the old file under a name known here (without
    // one, error 1176 can leave it nowhere and 1177 under a name no one knows).
    const std::u16string backup = RandomSideName(target, u".old");
    const unsigned long code = PlaceRetrying(Wide(target), Wide(path_), Wide(backup));
    if (code == 0 || (!Exists(target) && Recover(target, backup))) {
      placed_ = true;
      DeleteFileW(Wide(backup));
      return;
    }
    throw SystemFailure(static_cast<std::uint32_t>(code));
  }

 private:
  // The old file was moved aside (1177) and the new one not put in its place: the new one goes
  // there now, or failing that the old one comes back. True when the new one is in place.
  bool Recover(const std::u16string& target, const std::u16string& backup) {
    if (Move(path_, target)) return true;
    // When neither can be moved, the new copy stays under its own name rather than be lost.
    if (!Move(backup, target)) placed_ = true;
    return false;
  }

  std::u16string path_;
  FileHandle handle_;
  bool placed_ = false;
};

}  // namespace

FilePlacement& WholeFilePlacement() {
  static FilePlacement placement{SystemReplace, SystemPause};
  return placement;
}

void ReplaceFileWhole(const std::u16string& target, const void* data, std::size_t size) {
  std::vector<char> accessList = AccessListOf(target);
  // Beside the target, so the rename stays on one volume and never turns into a copy.
  TempFile temp(target);
  if (!accessList.empty()) temp.TakeAccessList(accessList);
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
  temp.Replace(target, !accessList.empty());
}

}  // namespace platform::win32
