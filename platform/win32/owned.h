// One small owning type per kind of Windows resource; each releases it however its scope ends.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <utility>

namespace platform::win32 {

// Owns one handle of the kind Traits describes: Traits::Invalid() is the value that owns
// nothing, Traits::Release(h) gives a valid handle back to the system. Move-only.
template <typename Traits>
class Owned {
 public:
  using Value = typename Traits::Value;

  Owned() = default;
  explicit Owned(Value value) : value_(value) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : value_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Value Get() const { return value_; }
  bool Valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  // Gives the handle to the caller, who must release it.
  Value Release() { return std::exchange(value_, Traits::Invalid()); }
  // Releases the handle held now and takes `value`.
  void Reset(Value value = Traits::Invalid()) {
    if (Valid()) Traits::Release(value_);
    value_ = value;
  }

 private:
  Value value_ = Traits::Invalid();
};

// CreateFileW's handles: INVALID_HANDLE_VALUE owns nothing.
struct FileTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Value h) { CloseHandle(h); }
};
using FileHandle = Owned<FileTraits>;

// Kernel handles whose failure value is null: processes, threads, mutexes.
struct KernelTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { CloseHandle(h); }
};
using KernelHandle = Owned<KernelTraits>;

// WinHTTP sessions, connections and requests.
struct WinHttpTraits {
  using Value = HINTERNET;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { WinHttpCloseHandle(h); }
};
using WinHttpHandle = Owned<WinHttpTraits>;

// GDI objects the program created: fonts, brushes, bitmaps. Stock objects are never owned.
template <typename Object>
struct GdiTraits {
  using Value = Object;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { DeleteObject(h); }
};
using OwnedFont = Owned<GdiTraits<HFONT>>;
using OwnedBrush = Owned<GdiTraits<HBRUSH>>;
using OwnedBitmap = Owned<GdiTraits<HBITMAP>>;

// A memory device context (CreateCompatibleDC).
struct MemoryDcTraits {
  using Value = HDC;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { DeleteDC(h); }
};
using MemoryDc = Owned<MemoryDcTraits>;

// Memory the system allocated for the caller with LocalAlloc (FormatMessageW's buffer).
struct LocalMemoryTraits {
  using Value = HLOCAL;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { LocalFree(h); }
};
using LocalMemory = Owned<LocalMemoryTraits>;

// Text the system allocated for the caller with GlobalAlloc (WinHTTP's proxy settings).
struct GlobalTextTraits {
  using Value = LPWSTR;
  static Value Invalid() { return nullptr; }
  static void Release(Value h) { GlobalFree(h); }
};
using GlobalText = Owned<GlobalTextTraits>;

// A window's device context (GetDC), released to that window; null window: the screen.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects `object` into `dc` for the scope and puts back what was selected before. A null
// object selects nothing.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The locked contents of a global memory block (clipboard data), unlocked at the end of the
// scope. Get() is null when the block could not be locked.
template <typename T>
class GlobalLockOf {
 public:
  explicit GlobalLockOf(HGLOBAL block) : block_(block), data_(static_cast<T*>(GlobalLock(block))) {}
  ~GlobalLockOf() {
    if (data_ != nullptr) GlobalUnlock(block_);
  }
  GlobalLockOf(const GlobalLockOf&) = delete;
  GlobalLockOf& operator=(const GlobalLockOf&) = delete;
  T* Get() const { return data_; }
  // The block's size in whole T; it may be larger than what was stored.
  std::size_t Count() const { return GlobalSize(block_) / sizeof(T); }

 private:
  HGLOBAL block_;
  T* data_;
};

}  // namespace platform::win32
