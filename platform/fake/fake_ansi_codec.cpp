#include "platform/fake/fake_ansi_codec.h"

namespace platform::fake {

std::string FakeAnsiCodec::ToAnsi(std::u16string_view text) const {
  std::string out;
  for (char16_t c : text) {
    if (doubleByte.find(c) != std::u16string::npos) {
      out += "\x81\x40";
    } else {
      out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
  }
  return out;
}

std::u16string FakeAnsiCodec::FromAnsi(std::string_view bytes) const {
  std::u16string out;
  for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
  return out;
}

}  // namespace platform::fake
