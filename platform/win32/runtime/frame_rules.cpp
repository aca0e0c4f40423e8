// Reads a function's unwinding record up to an address and finds its caller's registers from
// it, for the unwinder in unwinder.cpp. Only what this compiler writes for x86 is read: anything
// else makes the frame unreadable, and the throw ends, rather than guessing at a register.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include "platform/win32/runtime/frame_rules.h"

#include "platform/win32/runtime/dwarf_reading.h"
#include "platform/win32/runtime/library_version.h"

namespace platform::runtime {
namespace {

std::uintptr_t Load(std::uintptr_t address) {
  return *reinterpret_cast<const std::uintptr_t*>(address);
}

// The state of a record's program while it runs up to an address.
struct Program {
  const Cie& cie;
  std::uintptr_t location;
  std::uintptr_t until;  // the instructions that apply before this address run
  Row row;
  Row initial;  // after the CIE's own instructions, for the restore instructions
  Row remembered[4];
  unsigned depth = 0;
};

bool Set(Program& program, std::uintptr_t reg, Rule rule, std::intptr_t value,
         const unsigned char* expression = nullptr) {
  if (reg >= kRegisters) return false;
  program.row.regs[reg] = RegisterRule{rule, value, expression};
  return true;
}

// Skips a length-prefixed expression, returning where it starts.
const unsigned char* SkipExpression(const unsigned char*& at) {
  const unsigned char* start = at;
  at += ReadLeb(at, false);
  return start;
}

bool RegisterInstruction(unsigned char op, const unsigned char*& at, Program& program) {
  const std::intptr_t factor = program.cie.dataAlign;
  const std::uintptr_t reg = ReadLeb(at, false);
  switch (op) {
    case 0x05:  // offset_extended
      return Set(program, reg, Rule::kOffset, ReadLeb(at, false) * factor);
    case 0x11:  // offset_extended_sf
      return Set(program, reg, Rule::kOffset, ReadLeb(at, true) * factor);
    case 0x14:  // val_offset
      return Set(program, reg, Rule::kValOffset, ReadLeb(at, false) * factor);
    case 0x15:  // val_offset_sf
      return Set(program, reg, Rule::kValOffset, ReadLeb(at, true) * factor);
    case 0x06:  // restore_extended
      return reg < kRegisters && (program.row.regs[reg] = program.initial.regs[reg], true);
    case 0x07:  // undefined
      return Set(program, reg, Rule::kUndefined, 0);
    case 0x08:  // same_value
      return Set(program, reg, Rule::kSame, 0);
    case 0x09:  // register
    {
      const std::uintptr_t from = ReadLeb(at, false);
      return from < kRegisters && Set(program, reg, Rule::kRegister, from);
    }
    case 0x10:  // expression
      return Set(program, reg, Rule::kExpression, 0, SkipExpression(at));
    case 0x16:  // val_expression
      return Set(program, reg, Rule::kValExpression, 0, SkipExpression(at));
    case 0x0C:  // def_cfa
    case 0x0D:  // def_cfa_register
    case 0x12:  // def_cfa_sf
      if (reg >= kRegisters) return false;
      program.row.cfaRegister = reg;
      program.row.cfaExpression = nullptr;
      if (op == 0x0C) program.row.cfaOffset = ReadLeb(at, false);
      if (op == 0x12) program.row.cfaOffset = ReadLeb(at, true) * factor;
      return true;
  }
  return false;
}

bool OtherInstruction(unsigned char op, const unsigned char*& at, Program& program) {
  Row& row = program.row;
  switch (op) {
    case 0x00:  // nop
      return true;
    case 0x01:  // set_loc
      program.location = ReadEncoded(program.cie.addressEncoding, at);
      return true;
    case 0x02:  // advance_loc1
      return (program.location += ReadFixed<std::uint8_t>(at) * program.cie.codeAlign), true;
    case 0x03:  // advance_loc2
      return (program.location += ReadFixed<std::uint16_t>(at) * program.cie.codeAlign), true;
    case 0x04:  // advance_loc4
      return (program.location += ReadFixed<std::uint32_t>(at) * program.cie.codeAlign), true;
    case 0x0A:  // remember_state
      if (program.depth == 4) return false;
      program.remembered[program.depth++] = row;
      return true;
    case 0x0B: {  // restore_state; the size of pushed arguments is no part of the state
      if (program.depth == 0) return false;
      const std::uintptr_t argsSize = row.argsSize;
      row = program.remembered[--program.depth];
      row.argsSize = argsSize;
      return true;
    }
    case 0x0E:  // def_cfa_offset
      return (row.cfaOffset = ReadLeb(at, false)), true;
    case 0x13:  // def_cfa_offset_sf
      return (row.cfaOffset = ReadLeb(at, true) * program.cie.dataAlign), true;
    case 0x0F:  // def_cfa_expression
      return (row.cfaExpression = SkipExpression(at)), true;
    case 0x2E:  // GNU_args_size
      return (row.argsSize = ReadLeb(at, false)), true;
  }
  return RegisterInstruction(op, at, program);
}

bool Run(const unsigned char* at, const unsigned char* end, Program& program) {
  while (at < end && program.location < program.until) {
    const unsigned char op = *at++;
    const unsigned low = op & 0x3F;
    if ((op & 0xC0) == 0x40) {  // advance_loc
      program.location += low * program.cie.codeAlign;
    } else if ((op & 0xC0) == 0x80) {  // offset
      if (!Set(program, low, Rule::kOffset, ReadLeb(at, false) * program.cie.dataAlign)) {
        return false;
      }
    } else if ((op & 0xC0) == 0xC0) {  // restore
      if (low >= kRegisters) return false;
      program.row.regs[low] = program.initial.regs[low];
    } else if (!OtherInstruction(op, at, program)) {
      return false;
    }
  }
  return true;
}

}  // namespace

Found Describe(const Frame& frame, FrameState* state) {
  EhBases bases;
  const std::uintptr_t ip = frame.regs[kReturnAddress];
  const auto* at =
      static_cast<const unsigned char*>(_Unwind_Find_FDE(reinterpret_cast<void*>(ip - 1), &bases));
  if (at == nullptr) return Found::kNoRecord;
  const unsigned char* end = at + 4;
  end += ReadFixed<std::uint32_t>(at);
  const unsigned char* id = at;
  const Cie cie = ReadCie(id - ReadFixed<std::uint32_t>(at));
  if (!cie.known || cie.returnColumn != kReturnAddress) return Found::kUnreadable;
  *state = FrameState{};
  state->functionStart = ReadEncoded(cie.addressEncoding, at);
  ReadEncoded(cie.addressEncoding & 0x0F, at);
  if (cie.hasData) {
    const std::uintptr_t length = ReadLeb(at, false);
    const unsigned char* data = at;
    at += length;
    if (cie.lsdaEncoding != kOmit) {
      state->lsda = reinterpret_cast<const unsigned char*>(ReadEncoded(cie.lsdaEncoding, data));
    }
  }
  state->personality = cie.personality;
  Program program{cie, 0, ~std::uintptr_t{0}};
  if (!Run(cie.instructions, cie.end, program)) return Found::kUnreadable;
  program.initial = program.row;
  program.location = state->functionStart;
  program.until = ip;
  if (!Run(at, end, program)) return Found::kUnreadable;
  state->row = program.row;
  const Row& row = state->row;
  if (row.cfaExpression == nullptr) {
    state->cfa = frame.regs[row.cfaRegister] + row.cfaOffset;
    return Found::kRecord;
  }
  return Evaluate(row.cfaExpression, frame, nullptr, &state->cfa) ? Found::kRecord
                                                                  : Found::kUnreadable;
}

bool Step(const FrameState& state, Frame* frame) {
  Frame caller = *frame;
  caller.regs[kEsp] = state.cfa;
  for (unsigned reg = 0; reg < kRegisters; ++reg) {
    const RegisterRule& rule = state.row.regs[reg];
    std::uintptr_t value = state.cfa + rule.value;
    switch (rule.rule) {
      case Rule::kSame:
        continue;
      case Rule::kUndefined:
        value = 0;
        break;
      case Rule::kOffset:
        value = Load(value);
        break;
      case Rule::kValOffset:
        break;
      case Rule::kRegister:
        value = frame->regs[rule.value];
        break;
      case Rule::kExpression:
      case Rule::kValExpression:
        if (!Evaluate(rule.expression, *frame, &state.cfa, &value)) return false;
        if (rule.rule == Rule::kExpression) value = Load(value);
        break;
    }
    caller.regs[reg] = value;
  }
  *frame = caller;
  return frame->regs[kReturnAddress] != 0;
}

}  // namespace platform::runtime

#endif
