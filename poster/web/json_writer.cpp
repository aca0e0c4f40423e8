#include "poster/web/json_writer.h"

#include "platform/common/reply_text.h"
#include "platform/common/text.h"

namespace poster::web {

void JsonWriter::Separate() {
  if (afterValue_) out_ += u',';
  afterValue_ = true;
}

JsonWriter& JsonWriter::Open(char16_t bracket) {
  Separate();
  out_ += bracket;
  afterValue_ = false;
  return *this;
}

JsonWriter& JsonWriter::Close(char16_t bracket) {
  out_ += bracket;
  afterValue_ = true;
  return *this;
}

JsonWriter& JsonWriter::Key(std::u16string_view name) {
  String(name);
  out_ += u':';
  afterValue_ = false;
  return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view value) {
  Separate();
  out_ += u'"';
  for (const char16_t c : value) {
    if (c == u'"' || c == u'\\') {
      out_ += u'\\';
      out_ += c;
    } else if (c < 0x20) {
      out_ += u"\\u00";
      out_ += u"0123456789abcdef"[c >> 4];
      out_ += u"0123456789abcdef"[c & 0xF];
    } else {
      out_ += c;
    }
  }
  out_ += u'"';
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  Separate();
  out_ += platform::DecimalText(value);
  return *this;
}

JsonWriter& JsonWriter::Member(std::u16string_view name, std::u16string_view value) {
  return Key(name).String(value);
}

JsonWriter& JsonWriter::Member(std::u16string_view name, std::uint64_t value) {
  return Key(name).Number(value);
}

std::string JsonWriter::Utf8() const {
  return platform::EncodeUtf8(out_);
}

}  // namespace poster::web
