#include "poster/link_intake.h"

#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "poster/text_rules.h"

namespace poster {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The bytes of a run of escapes, which must form whole UTF-8 characters on their own.
bool AppendUtf8(std::u16string& out, const std::string& bytes) {
  const std::optional<std::u16string> text = platform::DecodeUtf8Strictly(bytes);
  if (text) out += *text;
  return text.has_value();
}

// Control characters are refused (line breaks only where `lineBreaks`), and so is a
// surrogate without its partner, which no encoding of text produces.
bool IsCleanText(std::u16string_view text, bool lineBreaks) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (platform::IsLoneSurrogate(text, i)) return false;
    if (IsControl(c) && !(lineBreaks && (c == u'\r' || c == u'\n'))) return false;
  }
  return true;
}

// Joiners shape scripts and emoji sequences after a character outside ASCII; anywhere else
// they, like the rest of the hidden marks, only disguise what is sent.
std::u16string WithoutHiddenMarks(std::u16string_view text, bool keepJoiners) {
  std::u16string out;
  for (char16_t c : text) {
    const bool joiner = c == 0x200C || c == 0x200D;
    if (platform::IsHiddenMark(c) &&
        !(keepJoiners && joiner && !out.empty() && out.back() > 0x7F)) {
      continue;
    }
    out += c;
  }
  return out;
}

bool IsBlankLine(std::u16string_view line) {
  for (char16_t c : line) {
    if (!IsBlank(c) && c != 0xA0 && c != 0x1680 && !(c >= 0x2000 && c <= 0x200A) && c != 0x202F &&
        c != 0x205F && c != 0x3000) {
      return false;
    }
  }
  return true;
}

// Every line break (CR LF, LF or CR) as CR LF, as a typed Enter makes it; of a run of empty
// lines (nothing but blanks on them) only the first is kept, so no text hides below them.
std::u16string WithOneEmptyLine(std::u16string_view text) {
  std::u16string out;
  bool lastBlank = false;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find_first_of(u"\r\n", at);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = text.substr(at, end - at);
    const bool blank = IsBlankLine(line);
    if (!(blank && lastBlank && at > 0)) {
      if (at > 0) out += u"\r\n";
      out += line;
    }
    lastBlank = blank;
    if (end == text.size()) break;
    at = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
  }
  return out;
}

}  // namespace

std::optional<std::u16string> PercentDecoded(std::u16string_view value) {
  std::u16string out;
  std::string bytes;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'%') {
      if (i + 2 >= value.size()) return std::nullopt;
      const int high = platform::HexDigitValue(value[i + 1]);
      const int low = platform::HexDigitValue(value[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      bytes.push_back(static_cast<char>(high * 16 + low));
      i += 2;
      continue;
    }
    if (!AppendUtf8(out, bytes)) return std::nullopt;
    bytes.clear();
    out += value[i];
  }
  if (!AppendUtf8(out, bytes)) return std::nullopt;
  return out;
}

std::optional<std::u16string> LinkArgument(std::u16string_view commandLine) {
  // The program name ends at its closing quote, or at the first blank when unquoted: the
  // system's own rule, which has no escapes.
  std::size_t at = 0;
  if (!commandLine.empty() && commandLine[0] == u'"') {
    at = commandLine.find(u'"', 1);
    at = at == std::u16string_view::npos ? commandLine.size() : at + 1;
  } else {
    while (at < commandLine.size() && !IsBlank(commandLine[at])) ++at;
  }
  std::u16string_view rest = commandLine.substr(at);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return std::nullopt;
  if (rest.size() >= 2 && rest.front() == u'"' && rest.back() == u'"') {
    rest = rest.substr(1, rest.size() - 2);
  }
  return std::u16string(rest);
}

std::optional<LinkContent> ReadLink(std::u16string_view link) {
  if (link.size() > kMaxLinkLength) return std::nullopt;
  if (!IsCleanText(link, false)) return std::nullopt;
  const std::u16string prefix = platform::Joined({kLinkScheme, u":"});
  if (!platform::StartsWithAsciiNoCase(link, prefix)) return std::nullopt;
  std::u16string_view rest = link.substr(prefix.size());
  rest = rest.substr(0, rest.find(u'#'));
  if (rest.starts_with(u"//")) rest.remove_prefix(2);

  const std::size_t question = rest.find(u'?');
  const std::u16string action = platform::AsciiLower(rest.substr(0, question));
  if (action == u"settings" || action == u"settings/") return LinkContent{{}, {}, {}, true};
  if (action != u"post" && action != u"post/") return std::nullopt;
  std::u16string_view query =
      question == std::u16string_view::npos ? std::u16string_view() : rest.substr(question + 1);

  LinkContent content;
  bool haveText = false, haveUrl = false, haveTitle = false;
  while (!query.empty()) {
    const std::size_t amp = query.find(u'&');
    const std::u16string_view part = query.substr(0, amp);
    query = amp == std::u16string_view::npos ? std::u16string_view() : query.substr(amp + 1);
    const std::size_t equals = part.find(u'=');
    const std::u16string_view name = part.substr(0, equals);
    const std::u16string_view value =
        equals == std::u16string_view::npos ? std::u16string_view() : part.substr(equals + 1);
    bool* seen = name == u"text"    ? &haveText
                 : name == u"url"   ? &haveUrl
                 : name == u"title" ? &haveTitle
                                    : nullptr;
    if (!seen) continue;
    // Two values for one parameter leave no way to tell which the page meant.
    if (*seen) return std::nullopt;
    *seen = true;
    auto decoded = PercentDecoded(value);
    if (!decoded || !IsCleanText(*decoded, seen == &haveText)) return std::nullopt;
    (seen == &haveText  ? content.text
     : seen == &haveUrl ? content.url
                        : content.title) = WithoutHiddenMarks(*decoded, seen == &haveText);
  }
  return content;
}

std::u16string LinkStatusText(std::u16string_view text, const web::StatusLimits* limits) {
  const std::u16string lines = WithOneEmptyLine(text);
  const std::u16string trimmed = TrimSpaces(lines);
  std::u16string status = limits ? web::CutToLimit(trimmed, *limits) : IntakeText(lines);
  if (!status.empty() && status.back() == u'\r' && status.size() < trimmed.size()) {
    status.pop_back();
  }
  return status;
}

}  // namespace poster
