// A function's static is initialised once, also when two threads reach it together, through
// these three calls the compiler makes. The library's versions wait on a condition variable
// behind a global recursive mutex and report a recursive initialisation with an exception of
// their own; with the thread layer and unwinding records they bring, about 1.4 KB. Here the
// guard's second word marks an initialisation under way, and a thread that finds it taken
// yields until the first byte says the object is ready or the word is free again.
#include <cxxabi.h>
#include <windows.h>

#include <cstdint>

#include "platform/win32/runtime/library_version.h"

namespace {

// The guard is 64 bits; the compiler reads only its first byte, set once the object is ready.
struct Guard {
  std::uint8_t ready;
  std::uint8_t unused[3];
  volatile LONG busy;
};
static_assert(sizeof(Guard) == 8);

bool IsReady(const Guard* guard) {
  return __atomic_load_n(&guard->ready, __ATOMIC_ACQUIRE) != 0;
}

Guard* Of(__cxxabiv1::__guard* word) {
  return reinterpret_cast<Guard*>(word);
}

}  // namespace

namespace __cxxabiv1 {

int __cxa_guard_acquire(__guard* word) {
  Guard* guard = Of(word);
  for (;;) {
    if (IsReady(guard)) return 0;
    if (InterlockedCompareExchange(&guard->busy, 1, 0) == 0) {
      // Another thread may have finished between the test and the exchange.
      if (!IsReady(guard)) return 1;
      InterlockedExchange(&guard->busy, 0);
      return 0;
    }
    SwitchToThread();
  }
}

void __cxa_guard_release(__guard* word) noexcept {
  Guard* guard = Of(word);
  __atomic_store_n(&guard->ready, 1, __ATOMIC_RELEASE);
  InterlockedExchange(&guard->busy, 0);
}

// The initialisation threw: another thread, or a later call, tries again.
void __cxa_guard_abort(__guard* word) noexcept {
  InterlockedExchange(&Of(word)->busy, 0);
}

}  // namespace __cxxabiv1
