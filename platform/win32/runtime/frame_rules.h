// One frame of the 32-bit build's unwinder: its registers, and what its unwinding record says.
#pragma once

#include <cstdint>

namespace platform::runtime {

// x86 registers by their DWARF numbers.
enum Register : unsigned {
  kEax = 0,
  kEcx = 1,
  kEdx = 2,
  kEbx = 3,
  kEsp = 4,
  kEbp = 5,
  kEsi = 6,
  kEdi = 7,
  kReturnAddress = 8,
  kRegisters = 9,
};

// A frame's registers at the point where it called the next frame inward: kEsp is the stack
// pointer after that call returns, kReturnAddress the address it returns to.
struct Frame {
  std::uintptr_t regs[kRegisters];
};

// How a register of the caller is found from the frame's canonical frame address (CFA).
enum class Rule : unsigned char {
  kSame,          // unchanged
  kUndefined,     // lost: for the return address, the stack's end
  kOffset,        // saved at CFA + value
  kValOffset,     // is CFA + value
  kRegister,      // held in register `value`
  kExpression,    // saved at the address the expression at `expression` gives
  kValExpression  // is what the expression gives
};

struct RegisterRule {
  Rule rule = Rule::kSame;
  std::intptr_t value = 0;
  const unsigned char* expression = nullptr;  // length-prefixed DWARF expression
};

// The row of the record's table that covers one address.
struct Row {
  RegisterRule regs[kRegisters];
  unsigned cfaRegister = kEsp;
  std::intptr_t cfaOffset = 0;
  const unsigned char* cfaExpression = nullptr;  // when set, replaces register and offset
  std::uintptr_t argsSize = 0;                   // bytes of arguments pushed at the call
};

// What the unwinding record of a frame says about it.
struct FrameState {
  Row row;
  std::uintptr_t cfa = 0;
  std::uintptr_t functionStart = 0;
  const unsigned char* lsda = nullptr;
  std::uintptr_t personality = 0;
};

// Evaluates a length-prefixed DWARF expression over the frame's registers, starting from
// `initial` on the stack when it is given. False for an operation this reader does not know.
bool Evaluate(const unsigned char* expression, const Frame& frame, const std::uintptr_t* initial,
              std::uintptr_t* result);

enum class Found { kRecord, kNoRecord, kUnreadable };

// Finds and reads the record of the frame's function up to its return address. kNoRecord when
// no registered record covers it (the stack's end: Windows' own code); kUnreadable when the
// record holds something this reader does not know, which it never guesses at.
Found Describe(const Frame& frame, FrameState* state);

// Replaces `frame` by its caller's, following `state` (from Describe). False at the stack's
// end or when an expression cannot be evaluated.
bool Step(const FrameState& state, Frame* frame);

}  // namespace platform::runtime
