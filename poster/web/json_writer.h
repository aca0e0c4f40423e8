// Writing a JSON request body in the UTF-8 bytes a request sends: literal text and strings.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace poster::web {

// Literal JSON text (ASCII, as written) and the string value that follows it.
struct JsonPiece {
  std::string_view before;
  std::u16string_view value;
};

// Appends each piece to `out`: its literal text, then its value as a quoted JSON string with
// '"', '\' and every control character escaped, every other character as it is in UTF-8 (a
// lone surrogate as U+FFFD).
void AppendJson(std::string& out, std::initializer_list<JsonPiece> pieces);

// Appends `value` in decimal digits.
void AppendJsonNumber(std::string& out, std::size_t value);

}  // namespace poster::web
