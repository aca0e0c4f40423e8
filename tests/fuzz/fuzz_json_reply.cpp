// Any reply to a post, up to the whole MiB a reply may hold: the reader accepts only strict JSON
// nested within its depth, and the verdict's box shows only an address on the server's host.
// Run with -timeout= to bound the time each reply may take.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "poster/mastodon/mastodon.h"
#include "poster/mastodon/mastodon_texts.h"
#include "poster/web/json_reader.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

// Whether `utf8`, read as JSON's tokens, nests within kDeepestJson and has no comma that JSON
// forbids (first in a container, after another, before a closing bracket) and no two values
// without a separator between strings. Strings are skipped by their quotes and escapes.
bool LooksStrict(std::string_view utf8) {
  int depth = 0;
  char last = '\0';  // the last character outside strings and white space, '"' for a string
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (c == '"') {
      if (last == '"') return false;
      for (++i; i < utf8.size() && utf8[i] != '"'; ++i) i += utf8[i] == '\\';
    } else if (c == '{' || c == '[') {
      if (++depth > poster::web::kDeepestJson) return false;
    } else if (c == '}' || c == ']') {
      if (last == ',') return false;
      --depth;
    } else if (c == ',' && (last == ',' || last == '{' || last == '[')) {
      return false;
    }
    last = c;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace poster::web;
  if (size < 1) return 0;
  constexpr int kStatuses[] = {200, 422, 429, 503};
  const int status = kStatuses[data[0] % std::size(kStatuses)];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::u16string body = platform::DecodeUtf8(bytes);

  if (JsonObject::Parse(body)) {
    fuzz::Require(LooksStrict(platform::EncodeUtf8(body)), "only strict JSON is read");
  }
  const MastodonVerdict verdict = JudgeMastodonReply(status, body, u"");
  const BoxText box = MastodonVerdictBox(verdict, u"Social", u"https://Social.example/");
  const std::u16string plain = u"Your post was published on Social.";
  if (verdict.kind == MastodonVerdict::Kind::kPublished && box.text != plain) {
    const std::u16string shown = box.text.substr(plain.size() + 2);
    fuzz::Require(shown == verdict.text && shown.size() <= kLongestShownPostAddress,
                  "the address shown is the server's, bounded");
    const std::u16string lower = platform::AsciiLower(shown);
    fuzz::Require(
        lower.starts_with(u"https://social.example") || lower.starts_with(u"http://social.example"),
        "only an address on the server's host is shown");
    for (char16_t c : shown) {
      fuzz::Require(c >= 0x20 && c != 0x7F && !platform::IsHiddenMark(c),
                    "the address shown is printable");
    }
  }
  return 0;
}
