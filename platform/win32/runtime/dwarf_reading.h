// Readers of the unwinding records (.eh_frame) shared by the record search and the unwinder.
#pragma once

#include <cstdint>
#include <cstring>

namespace platform::runtime {

// What the record search gives besides the record; only the function's start is ever set,
// since registration through __register_frame_info gives no text or data base.
struct EhBases {
  void* textBase;
  void* dataBase;
  void* function;
};

constexpr unsigned char kOmit = 0xFF;
constexpr unsigned char kPcRelative = 0x10;
constexpr unsigned char kIndirect = 0x80;

// An unsigned or signed LEB128 number; `at` moves past it. Bits beyond the word are dropped.
inline std::uintptr_t ReadLeb(const unsigned char*& at, bool isSigned) {
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

// A little-endian T at any alignment; `at` moves past it.
template <typename T>
std::uintptr_t ReadFixed(const unsigned char*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return static_cast<std::uintptr_t>(value);
}

// A value in one of DWARF's pointer encodings (never kOmit); `at` moves past it. A zero stays
// zero whatever the base: it marks the record of a function the linker dropped. Text- and
// data-relative values, which this toolchain never writes, read as absolute.
inline std::uintptr_t ReadEncoded(unsigned char encoding, const unsigned char*& at) {
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

// What a common entry (CIE) says about the records that point to it.
struct Cie {
  std::uintptr_t codeAlign = 1;
  std::intptr_t dataAlign = 0;
  std::uintptr_t returnColumn = 0;
  unsigned char addressEncoding = 0;
  unsigned char lsdaEncoding = kOmit;
  std::uintptr_t personality = 0;
  bool hasData = false;  // 'z': each record carries augmentation data
  bool known = true;     // false for an augmentation letter this reader does not know
  const unsigned char* instructions = nullptr;
  const unsigned char* end = nullptr;
};

// Reads the CIE whose length field is at `cie`.
inline Cie ReadCie(const unsigned char* cie) {
  Cie result;
  const unsigned char* at = cie;
  const std::uintptr_t length = ReadFixed<std::uint32_t>(at);
  result.end = cie + 4 + length;
  const unsigned char version = at[4];
  const char* augmentation = reinterpret_cast<const char*>(at + 5);
  at += 6 + std::strlen(augmentation);
  result.codeAlign = ReadLeb(at, false);
  result.dataAlign = static_cast<std::intptr_t>(ReadLeb(at, true));
  result.returnColumn = version == 1 ? *at++ : ReadLeb(at, false);
  result.hasData = augmentation[0] == 'z';
  const unsigned char* data = at;
  if (result.hasData) {
    const std::uintptr_t dataLength = ReadLeb(at, false);
    data = at;
    at += dataLength;
  }
  result.known = result.hasData || augmentation[0] == '\0';
  for (const char* letter = augmentation + (result.hasData ? 1 : 0);
       result.known && *letter != '\0'; ++letter) {
    if (*letter == 'R') {
      result.addressEncoding = *data++;
    } else if (*letter == 'L') {
      result.lsdaEncoding = *data++;
    } else if (*letter == 'P') {
      const unsigned char encoding = *data++;
      result.personality = ReadEncoded(encoding, data);
    } else {
      result.known = false;
    }
  }
  result.instructions = at;
  return result;
}

}  // namespace platform::runtime

// The record (at its length field) of the function that holds `pc`, or null; fills `bases`.
extern "C" const void* _Unwind_Find_FDE(void* pc, platform::runtime::EhBases* bases);
