// Conversion between UTF-16 text and bytes in the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // The text in the ANSI code page; a character the code page lacks becomes its default
  // character ("?"). Under a double-byte code page one character may give two bytes.
  virtual std::string ToAnsi(std::u16string_view text) const = 0;
  // The bytes read as the ANSI code page; every byte gives at least one character.
  virtual std::u16string FromAnsi(std::string_view bytes) const = 0;
};

// The running system's ANSI code page; lives as long as the program.
AnsiCodec& SystemAnsiCodec();

}  // namespace platform
