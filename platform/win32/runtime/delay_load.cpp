// The first call to a delay-loaded function (WinHTTP, Winsock) lands here through the import
// library's stub: load the DLL once, find the function by the name the import table keeps, and
// write it into the import address slot so later calls go straight there. The toolchain's own
// helper also serves hooks, unloading, bound imports and old-style descriptors, which this
// program never uses, in about 2 KB.
#include <windows.h>
// After windows.h, whose types it uses.
#include <delayimp.h>

extern "C" {

extern IMAGE_DOS_HEADER __ImageBase;
FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot);

FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot) {
  auto* base = reinterpret_cast<char*>(&__ImageBase);
  auto* moduleSlot = reinterpret_cast<HMODULE*>(base + descriptor->rvaHmod);
  const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->rvaINT);
  const IMAGE_THUNK_DATA& name =
      names[slot - reinterpret_cast<FARPROC*>(base + descriptor->rvaIAT)];
  const char* procedure =
      IMAGE_SNAP_BY_ORDINAL(name.u1.Ordinal)
          ? reinterpret_cast<const char*>(IMAGE_ORDINAL(name.u1.Ordinal))
          : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name.u1.AddressOfData)->Name;
  HMODULE module = *moduleSlot;
  if (module == nullptr) {
    module = LoadLibraryA(base + descriptor->rvaDLLName);
    // Two threads may load it at once: the one that comes second gives its reference back.
    HMODULE earlier = static_cast<HMODULE>(
        InterlockedCompareExchangePointer(reinterpret_cast<void**>(moduleSlot), module, nullptr));
    if (earlier != nullptr) {
      if (module != nullptr) FreeLibrary(module);
      module = earlier;
    }
  }
  FARPROC function = module != nullptr ? GetProcAddress(module, procedure) : nullptr;
  // As the toolchain's helper does: a missing DLL or function is an error the program cannot
  // continue from, raised with the code debuggers know for it.
  if (function == nullptr) {
    const DWORD error = module != nullptr ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND;
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, error), EXCEPTION_NONCONTINUABLE, 0,
                   nullptr);
  }
  *slot = function;
  return function;
}

}  // extern "C"
