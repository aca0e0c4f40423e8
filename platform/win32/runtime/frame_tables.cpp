// The unwinder of the 32-bit build finds a function's unwinding record (FDE) through these
// calls: the start-up code registers the program's .eh_frame section, and each frame of a throw
// asks for the record that covers its address. The library's version sorts the records into a
// table on the first throw, with locks and its own heap code, about 12 KB with its records;
// a program of a thousand records and rare exceptions does as well reading them in order.
// The 64-bit build unwinds through Windows' own tables and has no use for any of this.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include <cstdint>

#include "platform/win32/runtime/dwarf_reading.h"
#include "platform/win32/runtime/library_version.h"

namespace {

using namespace platform::runtime;

// Lives in the caller's storage, which is larger, for as long as the section is registered.
struct Registered {
  const unsigned char* section;
  Registered* next;
};

Registered* registeredSections = nullptr;

const void* FindIn(const unsigned char* record, std::uintptr_t pc, EhBases* bases) {
  for (std::uint32_t length; (length = ReadFixed<std::uint32_t>(record)) != 0; record += length) {
    const unsigned char* at = record;
    const std::uint32_t cieOffset = ReadFixed<std::uint32_t>(at);
    if (cieOffset == 0) continue;
    const unsigned char encoding = ReadCie(record - cieOffset).addressEncoding;
    if (encoding == kOmit) continue;
    const std::uintptr_t begin = ReadEncoded(encoding, at);
    const std::uintptr_t range = ReadEncoded(encoding & 0x0F, at);
    if (begin == 0 || pc - begin >= range) continue;
    bases->textBase = nullptr;
    bases->dataBase = nullptr;
    bases->function = reinterpret_cast<void*>(begin);
    return record - 4;
  }
  return nullptr;
}

}  // namespace

extern "C" {

void __register_frame_info(const void* section, Registered* storage);
void* __deregister_frame_info(const void* section);

// Called by the start-up code before any thread of the program's own starts.
void __register_frame_info(const void* section, Registered* storage) {
  if (section == nullptr || *static_cast<const std::uint32_t*>(section) == 0) return;
  storage->section = static_cast<const unsigned char*>(section);
  storage->next = registeredSections;
  __atomic_store_n(&registeredSections, storage, __ATOMIC_RELEASE);
}

// Called at exit, when a worker thread may still be unwinding: the list changes by one store.
void* __deregister_frame_info(const void* section) {
  for (Registered** link = &registeredSections; *link != nullptr; link = &(*link)->next) {
    Registered* found = *link;
    if (found->section != section) continue;
    __atomic_store_n(link, found->next, __ATOMIC_RELEASE);
    return found;
  }
  return nullptr;
}

const void* _Unwind_Find_FDE(void* pc, EhBases* bases) {
  const auto address = reinterpret_cast<std::uintptr_t>(pc);
  for (const Registered* sections = __atomic_load_n(&registeredSections, __ATOMIC_ACQUIRE);
       sections != nullptr; sections = sections->next) {
    if (const void* record = FindIn(sections->section, address, bases)) return record;
  }
  return nullptr;
}

}  // extern "C"

#endif
