// Failure raised by a platform operation: the system's error code and its description.
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

 private:
  std::uint32_t code_;
  std::u16string description_;
};

}  // namespace platform
