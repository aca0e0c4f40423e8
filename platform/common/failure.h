// Failure raised by a platform operation, and the program's own faults that a handler reports.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace platform {

class Failure : public std::exception {
 public:
  Failure(std::uint32_t code, std::u16string description)
      : code_(code), description_(std::move(description)) {}

  // The system's error code (a Win32 error or HRESULT); 0 when there is none.
  std::uint32_t Code() const { return code_; }
  // A sentence a user can read, UTF-16, without a trailing line break.
  const std::u16string& Description() const { return description_; }
  const char* what() const noexcept override { return "platform failure"; }
  // Whether a request may have reached its server before this failure: it went out and no
  // whole answer came back. False where nothing was sent or the failure is not a request's.
  bool MayHaveArrived() const { return mayHaveArrived_; }
  Failure& MarkMayHaveArrived() {
    mayHaveArrived_ = true;
    return *this;
  }

 private:
  std::uint32_t code_;
  std::u16string description_;
  bool mayHaveArrived_ = false;
};

// A fault in the program's own logic, reported as a run-time error: its kind decides the
// error's number, `what()` its text. The C++ runtime's own errors (a position past the end of a
// string, ...) arrive as this type too in the Windows programs.
class ProgramError : public std::exception {
 public:
  enum class Kind { kOverflow, kOutOfRange, kOther };
  ProgramError(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  Kind GetKind() const { return kind_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  Kind kind_;
  std::string message_;
};

}  // namespace platform
