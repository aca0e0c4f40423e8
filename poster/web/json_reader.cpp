#include "poster/web/json_reader.h"

#include <vector>

#include "platform/common/reply_text.h"
#include "platform/common/text.h"

// Strict mode refuses what a browser's JSON.parse refuses as far as the tokenizer can tell;
// parent links let a member be found without walking its siblings' contents.
#define JSMN_STATIC
#define JSMN_STRICT
#define JSMN_PARENT_LINKS
#include <jsmn.h>

namespace poster::web {

struct JsonObject::Tokens {
  std::string utf8;
  std::vector<jsmntok_t> tokens;
};

namespace {

// The contents of a string token with its escapes undone; nullopt for an escape JSON lacks.
std::optional<std::u16string> Unescaped(std::string_view raw) {
  constexpr std::string_view kEscapes = "\"\\/bfnrt";
  constexpr char16_t kMeanings[] = u"\"\\/\b\f\n\r\t";
  std::u16string out;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') continue;
    out += platform::DecodeUtf8(raw.substr(runStart, i - runStart));
    if (i + 1 >= raw.size()) return std::nullopt;
    const char escape = raw[++i];
    if (const std::size_t at = kEscapes.find(escape); at != std::string_view::npos) {
      out += kMeanings[at];
    } else if (escape == 'u' && i + 4 < raw.size()) {
      unsigned unit = 0;
      for (std::size_t k = 1; k <= 4; ++k) {
        const int digit = platform::HexDigitValue(static_cast<unsigned char>(raw[i + k]));
        if (digit < 0) return std::nullopt;
        unit = unit * 16 + static_cast<unsigned>(digit);
      }
      out += static_cast<char16_t>(unit);
      i += 4;
    } else {
      return std::nullopt;
    }
    runStart = i + 1;
  }
  out += platform::DecodeUtf8(raw.substr(runStart));
  return out;
}

// The tokenizer takes any run of characters for a literal or number; JSON allows only these.
bool IsJsonPrimitive(std::string_view text) {
  if (text == "true" || text == "false" || text == "null") return true;
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  if (i < text.size() && text[i] == '-') ++i;
  if (i < text.size() && text[i] == '0') {
    ++i;
  } else if (digits() == 0) {
    return false;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

bool IsJsonSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The tokenizer takes `{"a" "b"}`, `{"a","b"}`, trailing commas and keys that are not strings,
// and its work grows with the nesting; this reads the text once, as strict JSON, first.
class StrictSyntax {
 public:
  explicit StrictSyntax(std::string_view text) : text_(text) {}

  bool OneObject() {
    SkipSpace();
    if (!At('{') || !Value(0)) return false;
    SkipSpace();
    return at_ == text_.size();
  }

 private:
  bool At(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool Take(char c) {
    if (!At(c)) return false;
    ++at_;
    return true;
  }
  static bool IsPrimitivePart(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '+' || c == '.';
  }
  void SkipSpace() {
    while (at_ < text_.size() && IsJsonSpace(text_[at_])) ++at_;
  }

  bool Value(int depth) {
    SkipSpace();
    if (At('"')) return String();
    if (At('{') || At('[')) return depth < kDeepestJson && Container(depth + 1);
    const std::size_t from = at_;
    while (at_ < text_.size() && IsPrimitivePart(text_[at_])) ++at_;
    return IsJsonPrimitive(text_.substr(from, at_ - from));
  }

  // An object or array: members separated by single commas, none after the last.
  bool Container(int depth) {
    const bool object = text_[at_++] == '{';
    const char close = object ? '}' : ']';
    SkipSpace();
    if (Take(close)) return true;
    for (;;) {
      SkipSpace();
      if (object) {
        if (!At('"') || !String()) return false;
        SkipSpace();
        if (!Take(':')) return false;
      }
      if (!Value(depth)) return false;
      SkipSpace();
      if (Take(close)) return true;
      if (!Take(',')) return false;
    }
  }

  // A string with only JSON's escapes and no raw control characters.
  bool String() {
    for (++at_; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') continue;
      if (++at_ == text_.size()) return false;
      if (text_[at_] == 'u') {
        for (int k = 0; k < 4; ++k) {
          if (++at_ == text_.size() ||
              platform::HexDigitValue(static_cast<unsigned char>(text_[at_])) < 0)
            return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(text_[at_]) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

JsonObject::JsonObject(std::unique_ptr<Tokens> tokens) : tokens_(std::move(tokens)) {}
JsonObject::JsonObject(JsonObject&&) noexcept = default;
JsonObject& JsonObject::operator=(JsonObject&&) noexcept = default;
JsonObject::~JsonObject() = default;

std::optional<JsonObject> JsonObject::Parse(std::u16string_view text) {
  if (text.size() > kLongestJson) return std::nullopt;
  auto parsed = std::make_unique<Tokens>();
  parsed->utf8 = platform::EncodeUtf8(text);
  const std::string& utf8 = parsed->utf8;
  if (!StrictSyntax(utf8).OneObject()) return std::nullopt;

  jsmn_parser counter;
  jsmn_init(&counter);
  const int count = jsmn_parse(&counter, utf8.data(), utf8.size(), nullptr, 0);
  if (count <= 0) return std::nullopt;
  parsed->tokens.resize(static_cast<std::size_t>(count));
  jsmn_parser parser;
  jsmn_init(&parser);
  if (jsmn_parse(&parser, utf8.data(), utf8.size(), parsed->tokens.data(),
                 static_cast<unsigned>(count)) != count ||
      parsed->tokens[0].type != JSMN_OBJECT) {
    return std::nullopt;
  }
  return JsonObject(std::move(parsed));
}

int JsonObject::MemberOf(int object, std::u16string_view name) const {
  const std::vector<jsmntok_t>& tokens = tokens_->tokens;
  const std::string_view utf8 = tokens_->utf8;
  if (object < 0 || tokens[static_cast<std::size_t>(object)].type != JSMN_OBJECT) return -1;
  const std::string wanted = platform::EncodeUtf8(name);
  for (std::size_t i = static_cast<std::size_t>(object) + 1; i + 1 < tokens.size(); ++i) {
    const jsmntok_t& key = tokens[i];
    if (key.start >= tokens[static_cast<std::size_t>(object)].end) break;
    if (key.parent != object || key.type != JSMN_STRING) continue;
    const std::string_view raw = utf8.substr(static_cast<std::size_t>(key.start),
                                             static_cast<std::size_t>(key.end - key.start));
    if (raw == wanted || Unescaped(raw) == std::u16string(name)) return static_cast<int>(i) + 1;
  }
  return -1;
}

int JsonObject::ValueAt(std::initializer_list<std::u16string_view> path) const {
  int object = 0;
  for (std::u16string_view name : path) object = MemberOf(object, name);
  return object;
}

std::optional<std::u16string> JsonObject::StringOf(int at) const {
  if (at <= 0) return std::nullopt;
  const jsmntok_t& token = tokens_->tokens[static_cast<std::size_t>(at)];
  if (token.type != JSMN_STRING) return std::nullopt;
  return Unescaped(std::string_view(tokens_->utf8)
                       .substr(static_cast<std::size_t>(token.start),
                               static_cast<std::size_t>(token.end - token.start)));
}

std::optional<std::u16string> JsonObject::StringAt(
    std::initializer_list<std::u16string_view> path) const {
  return StringOf(ValueAt(path));
}

std::optional<std::u16string> JsonObject::StringInList(std::u16string_view list,
                                                       std::u16string_view key,
                                                       std::u16string_view keyEnd,
                                                       std::u16string_view wanted) const {
  const int array = MemberOf(0, list);
  if (array <= 0 || tokens_->tokens[static_cast<std::size_t>(array)].type != JSMN_ARRAY) {
    return std::nullopt;
  }
  for (std::size_t i = static_cast<std::size_t>(array) + 1; i < tokens_->tokens.size(); ++i) {
    if (tokens_->tokens[i].start >= tokens_->tokens[static_cast<std::size_t>(array)].end) break;
    if (tokens_->tokens[i].parent != array) continue;
    const int element = static_cast<int>(i);
    if (StringOf(MemberOf(element, key)).value_or(u"").ends_with(keyEnd)) {
      return StringOf(MemberOf(element, wanted));
    }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> JsonObject::WholeNumberAt(
    std::initializer_list<std::u16string_view> path, std::uint64_t highest) const {
  const int at = ValueAt(path);
  if (at <= 0) return std::nullopt;
  const jsmntok_t& token = tokens_->tokens[static_cast<std::size_t>(at)];
  if (token.type != JSMN_PRIMITIVE || token.end <= token.start) return std::nullopt;
  const std::string_view digits = std::string_view(tokens_->utf8)
                                      .substr(static_cast<std::size_t>(token.start),
                                              static_cast<std::size_t>(token.end - token.start));
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > highest) return std::nullopt;
  }
  return value;
}

}  // namespace poster::web
