// The memory of a thrown exception: the library's header followed by the object. The library's
// version keeps a pool for when the heap is exhausted, behind a mutex of the thread layer, about
// 5.5 KB with that layer and their unwinding records. Here a few slots taken from the heap at
// start-up, as the library takes its pool, serve instead, claimed with one atomic exchange
// each: enough for the out-of-memory error and a failure or two in flight at once. Like the
// library, the program ends when neither can give the memory.
#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/win32/runtime/library_version.h"

namespace {

// The sizes of the library's exception header (with its reference count) and of a dependent
// exception, which its own headers keep to themselves.
#if defined(__x86_64__)
constexpr std::size_t kHeader = 0xA0;
constexpr std::size_t kDependent = 0x90;
#elif defined(__i386__)
constexpr std::size_t kHeader = 0x60;
constexpr std::size_t kDependent = 0x50;
#else
#error "the exception header's size is known for x86 and x86-64 only"
#endif

constexpr std::size_t kSlotSize = 512;
constexpr int kSlots = 4;
unsigned char* const slots = static_cast<unsigned char*>(std::malloc(kSlots * kSlotSize));
bool taken[kSlots];

void* Claim(std::size_t size) {
  void* memory = std::malloc(size);
  for (int i = 0; memory == nullptr && slots != nullptr && size <= kSlotSize && i < kSlots; ++i) {
    if (!__atomic_exchange_n(&taken[i], true, __ATOMIC_ACQUIRE)) memory = slots + i * kSlotSize;
  }
  if (memory == nullptr) std::terminate();
  return std::memset(memory, 0, size);
}

void Release(void* memory) {
  const auto* at = static_cast<unsigned char*>(memory);
  if (slots != nullptr && at >= slots && at < slots + kSlots * kSlotSize) {
    __atomic_store_n(&taken[(at - slots) / kSlotSize], false, __ATOMIC_RELEASE);
  } else {
    std::free(memory);
  }
}

}  // namespace

namespace __cxxabiv1 {

void* __cxa_allocate_exception(std::size_t size) noexcept {
  return static_cast<unsigned char*>(Claim(kHeader + size)) + kHeader;
}

void __cxa_free_exception(void* thrown) noexcept {
  Release(static_cast<unsigned char*>(thrown) - kHeader);
}

__cxa_dependent_exception* __cxa_allocate_dependent_exception() noexcept {
  return static_cast<__cxa_dependent_exception*>(Claim(kDependent));
}

void __cxa_free_dependent_exception(__cxa_dependent_exception* exception) noexcept {
  Release(exception);
}

}  // namespace __cxxabiv1
