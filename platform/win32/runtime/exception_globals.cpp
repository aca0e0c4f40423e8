// Each thread's record of the exceptions it has caught and not yet finished with, which the
// library keeps in a thread-local variable. This compiler emulates those with a table per
// thread and its own locking (about 1.9 KB with their unwinding records); a Windows
// thread-local slot does as well, freed when the thread ends through the image's own
// thread-local storage callbacks.
#include <cxxabi.h>
#include <windows.h>

#include <cstdlib>

#include "platform/win32/runtime/library_version.h"

namespace __cxxabiv1 {

// The library's layout for every target but ARM's.
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};

}  // namespace __cxxabiv1

namespace {

using Globals = __cxxabiv1::__cxa_eh_globals;

DWORD slot = TLS_OUT_OF_INDEXES;

// Asked for while an exception is thrown or caught, so it may follow a failed call whose error
// code is yet to be read: the code is kept as it was.
Globals* ThisThreads() {
  const DWORD lastError = GetLastError();
  DWORD index = __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
  if (index == TLS_OUT_OF_INDEXES) {
    const DWORD fresh = TlsAlloc();
    if (fresh == TLS_OUT_OF_INDEXES) std::abort();
    if (__atomic_compare_exchange_n(&slot, &index, fresh, false, __ATOMIC_ACQ_REL,
                                    __ATOMIC_ACQUIRE)) {
      index = fresh;
    } else {
      TlsFree(fresh);
    }
  }
  auto* globals = static_cast<Globals*>(TlsGetValue(index));
  if (globals == nullptr) {
    globals = static_cast<Globals*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *globals));
    if (globals == nullptr || !TlsSetValue(index, globals)) std::abort();
  }
  SetLastError(lastError);
  return globals;
}

void NTAPI FreeAtThreadExit(void*, DWORD reason, void*) {
  const DWORD index = __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
  if (reason != DLL_THREAD_DETACH || index == TLS_OUT_OF_INDEXES) return;
  if (void* globals = TlsGetValue(index)) HeapFree(GetProcessHeap(), 0, globals);
}

}  // namespace

// Called by Windows for each thread that ends, after the C runtime's own callbacks.
extern "C" __attribute__((section(".CRT$XLY"), used))
const PIMAGE_TLS_CALLBACK lumoraFreeExceptionGlobals = FreeAtThreadExit;

namespace __cxxabiv1 {

__cxa_eh_globals* __cxa_get_globals() noexcept {
  return ThisThreads();
}

__cxa_eh_globals* __cxa_get_globals_fast() noexcept {
  return ThisThreads();
}

}  // namespace __cxxabiv1
