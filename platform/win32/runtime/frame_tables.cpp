// The unwinder of the 32-bit build finds a function's unwinding record (FDE) through these
// calls: the start-up code registers the program's .eh_frame section, and each frame of a throw
// asks for the record that covers its address. The library's version sorts the records into a
// table on the first throw, with locks and its own heap code, about 12 KB with its records;
// a program of a thousand records and rare exceptions does as well reading them in order.
// The 64-bit build unwinds through Windows' own tables and has no use for any of this.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include <cstdint>
#include <cstring>

#include "platform/win32/runtime/library_version.h"

namespace {

// What the unwinder asks for besides the record; only the function's start is ever set here,
// since registration through __register_frame_info gives no text or data base.
struct EhBases {
  void* textBase;
  void* dataBase;
  void* function;
};

// Lives in the caller's storage, which is larger, for as long as the section is registered.
struct Registered {
  const unsigned char* section;
  Registered* next;
};

Registered* registeredSections = nullptr;

constexpr unsigned char kOmit = 0xFF;
constexpr unsigned char kPcRelative = 0x10;
constexpr unsigned char kIndirect = 0x80;

std::uintptr_t ReadLeb(const unsigned char*& at, bool isSigned) {
  std::uintptr_t value = 0;
  unsigned shift = 0;
  unsigned char byte = 0;
  do {
    byte = *at++;
    if (shift < 32) value |= static_cast<std::uintptr_t>(byte & 0x7F) << shift;
    shift += 7;
  } while ((byte & 0x80) != 0);
  if (isSigned && shift < 32 && (byte & 0x40) != 0) value |= ~std::uintptr_t{0} << shift;
  return value;
}

template <typename T>
std::uintptr_t ReadFixed(const unsigned char*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return static_cast<std::uintptr_t>(value);
}

// A value in one of DWARF's pointer encodings. As in the library, a zero stays zero whatever
// the base: it marks the record of a function the linker dropped.
std::uintptr_t ReadEncoded(unsigned char encoding, const unsigned char*& at) {
  const unsigned char* field = at;
  std::uintptr_t value = 0;
  switch (encoding & 0x0F) {
    case 0x01:
      value = ReadLeb(at, false);
      break;
    case 0x02:
      value = ReadFixed<std::uint16_t>(at);
      break;
    case 0x09:
      value = ReadLeb(at, true);
      break;
    case 0x0A:
      value = ReadFixed<std::int16_t>(at);
      break;
    case 0x04:
    case 0x0C:
      value = ReadFixed<std::uint64_t>(at);
      break;
    default:
      value = ReadFixed<std::uint32_t>(at);
      break;
  }
  if (value == 0) return 0;
  if ((encoding & 0x70) == kPcRelative) value += reinterpret_cast<std::uintptr_t>(field);
  if ((encoding & kIndirect) != 0) value = *reinterpret_cast<const std::uintptr_t*>(value);
  return value;
}

// The encoding of the function addresses in the records that follow a common entry (CIE).
unsigned char AddressEncoding(const unsigned char* cie) {
  const unsigned char* at = cie + 8;
  const char* augmentation = reinterpret_cast<const char*>(at + 1);
  at += 2 + std::strlen(augmentation);
  if (augmentation[0] != 'z') return 0;
  ReadLeb(at, false);  // code alignment
  ReadLeb(at, true);   // data alignment
  if (cie[8] == 1) {
    ++at;  // version 1 holds the return address column in a byte
  } else {
    ReadLeb(at, false);
  }
  ReadLeb(at, false);  // length of the augmentation data
  for (const char* letter = augmentation + 1; *letter != '\0'; ++letter) {
    if (*letter == 'R') return *at;
    if (*letter == 'L') ++at;
    if (*letter == 'P') {
      const unsigned char personality = *at++;
      ReadEncoded(personality & 0x0F, at);
    }
  }
  return 0;
}

const void* FindIn(const unsigned char* record, std::uintptr_t pc, EhBases* bases) {
  for (std::uint32_t length; (length = ReadFixed<std::uint32_t>(record)) != 0; record += length) {
    const unsigned char* at = record;
    const std::uint32_t cieOffset = ReadFixed<std::uint32_t>(at);
    if (cieOffset == 0) continue;
    const unsigned char encoding = AddressEncoding(record - cieOffset);
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
const void* _Unwind_Find_FDE(void* pc, EhBases* bases);

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
