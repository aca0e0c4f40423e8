// Writing a JSON request body: objects, arrays, strings and whole numbers, in order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace poster::web {

// Builds one JSON text; the caller opens and closes in matching pairs. Commas go where they
// belong without being asked for.
class JsonWriter {
 public:
  // Opens an object ('{') or an array ('['); Close takes the matching closing bracket.
  JsonWriter& Open(char16_t bracket);
  JsonWriter& Close(char16_t bracket);
  // The name of the member whose value comes next.
  JsonWriter& Key(std::u16string_view name);
  // A string value: '"', '\' and every control character escaped, every other code unit as it
  // is (a lone surrogate becomes U+FFFD when the text is encoded as UTF-8).
  JsonWriter& String(std::u16string_view value);
  JsonWriter& Number(std::uint64_t value);
  // Key then String, and Key then Number.
  JsonWriter& Member(std::u16string_view name, std::u16string_view value);
  JsonWriter& Member(std::u16string_view name, std::uint64_t value);

  // The text so far, as UTF-16 and as the UTF-8 bytes a request sends.
  const std::u16string& Text() const { return out_; }
  std::string Utf8() const;

 private:
  void Separate();

  std::u16string out_;
  bool afterValue_ = false;  // the next value or key follows another in the same container
};

}  // namespace poster::web
