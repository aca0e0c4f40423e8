// An ANSI code-page fake: ISO 8859-1, with characters that may be made double-byte.
#pragma once

#include <string>
#include <string_view>

#include "platform/ansi.h"

namespace platform::fake {

// ISO 8859-1 as the "ANSI" code page: code units up to 0xFF are one byte, others are "?".
// `doubleByte` characters come out as two bytes, as under a double-byte code page.
class FakeAnsiCodec : public AnsiCodec {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
  std::u16string FromAnsi(std::string_view bytes) const override;
  std::u16string doubleByte;
};

}  // namespace platform::fake
