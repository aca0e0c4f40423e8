// Reading the members of a JSON object that a web service sent, by their path of names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace poster::web {

// The deepest nesting of objects and arrays read; a reply nested deeper is refused.
inline constexpr int kDeepestJson = 32;
// The longest text read, in code units: a reply holds at most its first MiB.
inline constexpr std::size_t kLongestJson = std::size_t{1} << 20;

class JsonObject {
 public:
  // `text` read as one JSON object (strict RFC 8259) and nothing else but white space; nullopt
  // when it is anything else (an array, a number, broken, truncated or lax JSON, trailing text,
  // nesting deeper than kDeepestJson, more than kLongestJson units). Linear in the text.
  static std::optional<JsonObject> Parse(std::u16string_view text);

  JsonObject(JsonObject&&) noexcept;
  JsonObject& operator=(JsonObject&&) noexcept;
  ~JsonObject();

  // The string at `path` (member names from the top object down, each the first member of
  // that name), unescaped; nullopt when a member is missing or the value is not a string.
  std::optional<std::u16string> StringAt(std::initializer_list<std::u16string_view> path) const;
  // In the array that the top object's member `list` holds, the first object whose string
  // member `key` ends with `keyEnd`: its string member `wanted`; nullopt when there is none.
  std::optional<std::u16string> StringInList(std::u16string_view list, std::u16string_view key,
                                             std::u16string_view keyEnd,
                                             std::u16string_view wanted) const;
  // The whole non-negative number at `path`, as written in decimal digits only (no sign,
  // fraction or exponent); nullopt when it is missing, anything else, or above `highest`.
  std::optional<std::uint64_t> WholeNumberAt(std::initializer_list<std::u16string_view> path,
                                             std::uint64_t highest) const;

 private:
  struct Tokens;
  explicit JsonObject(std::unique_ptr<Tokens> tokens);
  // The index of the value token at `path`, or -1.
  int ValueAt(std::initializer_list<std::u16string_view> path) const;
  // The index of the value of member `name` of the object token at `object`, or -1.
  int MemberOf(int object, std::u16string_view name) const;
  // The string token at `at` unescaped; nullopt when it is no string.
  std::optional<std::u16string> StringOf(int at) const;

  std::unique_ptr<Tokens> tokens_;
};

}  // namespace poster::web
