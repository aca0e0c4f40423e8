#include "platform/common/reply_text.h"

#include "platform/common/text.h"

namespace platform {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t';
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view lower) {
  return text.size() == lower.size() && StartsWithAsciiNoCase(text, lower);
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  const auto unitAt = [&bytes, bigEndian](std::size_t at) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? static_cast<char16_t>(first << 8 | second)
                     : static_cast<char16_t>(second << 8 | first);
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = unitAt(i);
    if (IsHighSurrogate(unit) && i + 3 < bytes.size()) {
      const char16_t next = unitAt(i + 2);
      if (IsLowSurrogate(next)) {
        text.push_back(unit);
        text.push_back(next);
        i += 2;
        continue;
      }
    }
    // Half of a pair alone is no character; passed on, it would break whatever shows the text.
    text.push_back(IsSurrogate(unit) ? u'\uFFFD' : unit);
  }
  if (i < bytes.size()) text.push_back(u'\uFFFD');
  return text;
}

// Each malformed or truncated sequence becomes one U+FFFD and is counted in `malformed`.
std::u16string DecodeUtf8Counting(std::string_view bytes, std::size_t& malformed) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    int need = -1;  // a byte that starts no character
    char32_t c = lead;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      need = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    }
    bool whole = need >= 0;
    for (int k = 0; k < need; ++k) {
      const auto next = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
      if (i >= bytes.size() || next < low || next > high) {
        whole = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
      ++i;
      low = 0x80;
      high = 0xBF;
    }
    if (whole) {
      AppendCodePoint(text, c);
    } else {
      text.push_back(u'\uFFFD');  // the byte that broke the sequence is read again
      ++malformed;
    }
  }
  return text;
}

}  // namespace

std::u16string PrintableAsciiOnly(std::u16string_view text) {
  std::u16string clean;
  clean.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x20 && c <= 0x7E) clean.push_back(c);
  }
  return clean;
}

std::u16string HeaderValue(std::u16string_view rawHeaders, std::u16string_view name) {
  const std::u16string lowerName = AsciiLower(name);
  while (!rawHeaders.empty()) {
    const std::size_t end = rawHeaders.find(u'\n');
    std::u16string_view line = rawHeaders.substr(0, end);
    rawHeaders.remove_prefix(end == std::u16string_view::npos ? rawHeaders.size() : end + 1);
    const std::size_t colon = line.find(u':');
    if (colon == std::u16string_view::npos ||
        !EqualsIgnoringCase(line.substr(0, colon), lowerName)) {
      continue;
    }
    line.remove_prefix(colon + 1);
    while (!line.empty() && (IsSpace(line.front()))) line.remove_prefix(1);
    while (!line.empty() && (IsSpace(line.back()) || line.back() == u'\r')) line.remove_suffix(1);
    return std::u16string(line);
  }
  return {};
}

std::u16string CharsetParameter(std::u16string_view contentType) {
  std::size_t at = contentType.find(u';');
  while (at != std::u16string_view::npos && at < contentType.size()) {
    ++at;  // past the ';'
    while (at < contentType.size() && IsSpace(contentType[at])) ++at;
    std::size_t nameEnd = at;
    while (nameEnd < contentType.size() && contentType[nameEnd] != u'=' &&
           contentType[nameEnd] != u';') {
      ++nameEnd;
    }
    std::u16string_view name = contentType.substr(at, nameEnd - at);
    while (!name.empty() && IsSpace(name.back())) name.remove_suffix(1);
    if (nameEnd >= contentType.size() || contentType[nameEnd] == u';') {
      at = nameEnd;  // a parameter without a value
      continue;
    }
    std::size_t valueAt = nameEnd + 1;
    while (valueAt < contentType.size() && IsSpace(contentType[valueAt])) ++valueAt;
    std::u16string value;
    std::size_t next;
    if (valueAt < contentType.size() && contentType[valueAt] == u'"') {
      next = valueAt + 1;
      while (next < contentType.size() && contentType[next] != u'"') {
        if (contentType[next] == u'\\' && next + 1 < contentType.size()) ++next;
        value.push_back(contentType[next++]);
      }
      next = contentType.find(u';', next);
    } else {
      next = contentType.find(u';', valueAt);
      std::u16string_view token = contentType.substr(
          valueAt, next == std::u16string_view::npos ? std::u16string_view::npos : next - valueAt);
      while (!token.empty() && IsSpace(token.back())) token.remove_suffix(1);
      value.assign(token);
    }
    if (EqualsIgnoringCase(name, u"charset")) return value;
    at = next;
  }
  return {};
}

TextEncoding EncodingOfCharset(std::u16string_view charset) {
  for (std::u16string_view name : {u"", u"utf-8", u"utf8", u"unicode-1-1-utf-8"}) {
    if (EqualsIgnoringCase(charset, name)) return TextEncoding::kUtf8;
  }
  for (std::u16string_view name : {u"utf-16", u"utf-16le", u"unicode", u"ucs-2"}) {
    if (EqualsIgnoringCase(charset, name)) return TextEncoding::kUtf16Le;
  }
  for (std::u16string_view name : {u"utf-16be", u"unicodefffe"}) {
    if (EqualsIgnoringCase(charset, name)) return TextEncoding::kUtf16Be;
  }
  return TextEncoding::kOther;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
    const CodePoint point = CodePointAt(text, i);
    char32_t c = point.value;
    units = point.units;
    if (IsSurrogate(c)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr unsigned kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[tail] | (c >> (6 * tail)));
    for (int shift = 6 * (tail - 1); shift >= 0; shift -= 6) {
      out += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
    }
  }
  return out;
}

std::u16string DecodeUtf8(std::string_view bytes) {
  std::size_t malformed = 0;
  return DecodeUtf8Counting(bytes, malformed);
}

std::optional<std::u16string> DecodeUtf8Strictly(std::string_view bytes) {
  std::size_t malformed = 0;
  std::u16string text = DecodeUtf8Counting(bytes, malformed);
  if (malformed != 0) return std::nullopt;
  return text;
}

TextEncoding ReplyEncoding(std::string_view bytes, TextEncoding labelled, std::size_t& markLength) {
  markLength = 0;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    markLength = 3;
    return TextEncoding::kUtf8;
  }
  const bool little = bytes.starts_with("\xFF\xFE");
  if (little || bytes.starts_with("\xFE\xFF")) {
    markLength = 2;
    return little ? TextEncoding::kUtf16Le : TextEncoding::kUtf16Be;
  }
  return labelled;
}

std::u16string DecodeKnown(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) return DecodeUtf8(bytes);
  return DecodeUtf16(bytes, encoding == TextEncoding::kUtf16Be);
}

}  // namespace platform
