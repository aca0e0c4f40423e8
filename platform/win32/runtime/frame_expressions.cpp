// The DWARF expressions of the unwinding records: this compiler writes them for functions that
// realign their stack (the program's entry, threads' entry functions), where the frame address
// is read from the stack rather than found at a fixed offset.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include "platform/win32/runtime/dwarf_reading.h"
#include "platform/win32/runtime/frame_rules.h"
#include "platform/win32/runtime/library_version.h"

namespace platform::runtime {
namespace {

std::uintptr_t Load(std::uintptr_t address) {
  return *reinterpret_cast<const std::uintptr_t*>(address);
}

struct Stack {
  std::uintptr_t values[8];
  unsigned depth = 0;

  bool Push(std::uintptr_t value) {
    if (depth == 8) return false;
    values[depth++] = value;
    return true;
  }
  std::uintptr_t& Top() { return values[depth - 1]; }
};

// The operations that push a number read from the expression itself.
bool Constant(unsigned char operation, const unsigned char*& at, std::uintptr_t* value) {
  if (operation >= 0x30 && operation <= 0x4F) {  // lit0 .. lit31
    *value = operation - 0x30;
    return true;
  }
  switch (operation) {
    case 0x03:  // addr
    case 0x0C:  // const4u
    case 0x0D:  // const4s
      *value = ReadFixed<std::uint32_t>(at);
      return true;
    case 0x08:  // const1u
      *value = ReadFixed<std::uint8_t>(at);
      return true;
    case 0x09:  // const1s
      *value = ReadFixed<std::int8_t>(at);
      return true;
    case 0x0A:  // const2u
      *value = ReadFixed<std::uint16_t>(at);
      return true;
    case 0x0B:  // const2s
      *value = ReadFixed<std::int16_t>(at);
      return true;
    case 0x10:  // constu
    case 0x11:  // consts
      *value = ReadLeb(at, operation == 0x11);
      return true;
  }
  return false;
}

bool Operate(unsigned char operation, const unsigned char*& at, const Frame& frame, Stack& stack) {
  std::uintptr_t value = 0;
  if (Constant(operation, at, &value)) return stack.Push(value);
  if (operation >= 0x70 && operation <= 0x78) {  // breg0 .. breg8
    return stack.Push(frame.regs[operation - 0x70] + ReadLeb(at, true));
  }
  if (operation == 0x92) {  // bregx
    const std::uintptr_t reg = ReadLeb(at, false);
    return reg < kRegisters && stack.Push(frame.regs[reg] + ReadLeb(at, true));
  }
  if (operation == 0x96) return true;  // nop
  if (stack.depth == 0) return false;
  if (operation == 0x06) return (stack.Top() = Load(stack.Top())), true;    // deref
  if (operation == 0x12) return stack.Push(stack.Top());                    // dup
  if (operation == 0x1F) return (stack.Top() = 0 - stack.Top()), true;      // neg
  if (operation == 0x23) return (stack.Top() += ReadLeb(at, false)), true;  // plus_uconst
  if (operation == 0x13) return --stack.depth, true;                        // drop
  if (stack.depth < 2) return false;
  const std::uintptr_t top = stack.values[--stack.depth];
  std::uintptr_t& below = stack.Top();
  if (operation == 0x16) {  // swap
    stack.Push(below);
    below = top;
    return true;
  }
  if (operation == 0x1C) return (below -= top), true;  // minus
  if (operation == 0x22) return (below += top), true;  // plus
  return false;
}

}  // namespace

bool Evaluate(const unsigned char* expression, const Frame& frame, const std::uintptr_t* initial,
              std::uintptr_t* result) {
  const unsigned char* at = expression;
  const std::uintptr_t length = ReadLeb(at, false);
  const unsigned char* end = at + length;
  Stack stack;
  if (initial != nullptr) stack.Push(*initial);
  while (at < end) {
    const unsigned char operation = *at++;
    if (!Operate(operation, at, frame, stack)) return false;
  }
  if (stack.depth == 0) return false;
  *result = stack.Top();
  return true;
}

}  // namespace platform::runtime

#endif
