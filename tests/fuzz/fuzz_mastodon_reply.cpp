// The verdict rules on any status and reply, the JSON reader's round trip, the limits and the
// counter's cut.
#include <cstdint>
#include <string>

#include "poster/mastodon/mastodon.h"
#include "poster/web/json_reader.h"
#include "poster/web/reply_rules.h"
#include "tests/fuzz/fuzz_text.h"

namespace {

// `text` as a JSON string, every code unit outside printable ASCII written as \uXXXX so that
// even a lone surrogate comes back as it was.
std::u16string Quoted(const std::u16string& text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out += u'\\';
      out += c;
    } else if (c >= 0x20 && c < 0x7F) {
      out += c;
    } else {
      out += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += u"0123456789abcdef"[(c >> shift) & 0xF];
    }
  }
  return out + u"\"";
}

std::size_t CodePoints(const std::u16string& text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++n) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace poster::web;
  using Kind = MastodonVerdict::Kind;
  if (size < 2) return 0;
  constexpr int kStatuses[] = {200, 201, 204, 401, 403, 404, 422, 429, 500, 502, 503, 599, 600};
  const int status = kStatuses[data[0] % std::size(kStatuses)];
  const std::u16string body = fuzz::Utf16(data + 2, size - 2);
  const std::u16string reset = data[1] & 1 ? u"2026-12-07T20:05:00Z" : u"";
  const bool refusalStatus = status == 401 || status == 403 || status == 422 || status == 429 ||
                             (status >= 500 && status <= 599);

  const MastodonVerdict verdict = JudgeMastodonReply(status, body, reset);
  const auto json = JsonObject::Parse(body);
  fuzz::Require(verdict.retry.empty() == (status != 429), "only a 429 says when to try again");
  switch (verdict.kind) {
    case Kind::kPublished:
      fuzz::Require(status == 200 && json && json->StringAt({u"id"}),
                    "published only on 200 with a string id");
      fuzz::Require(verdict.text == json->StringAt({u"url"}).value_or(u""), "the url is shown");
      break;
    case Kind::kRefused:
      fuzz::Require(refusalStatus && json && json->StringAt({u"error"}),
                    "refused only on a failure status with a string error");
      fuzz::Require(verdict.text == ReplyExcerpt(*json->StringAt({u"error"})),
                    "the error text, bounded");
      break;
    case Kind::kOther:
      fuzz::Require(verdict.text == ReplyExcerpt(body), "anything else is the excerpt");
      fuzz::Require(!(status == 200 && json && json->StringAt({u"id"})), "a success is not missed");
      break;
  }

  // Whatever text a server puts in its JSON comes back exactly.
  const std::u16string wrapped = u"{\"id\":" + Quoted(body) + u",\"url\":" + Quoted(body) +
                                 u",\"error\":" + Quoted(body) + u"}";
  const MastodonVerdict published = JudgeMastodonReply(200, wrapped, u"");
  fuzz::Require(published.kind == Kind::kPublished && published.text == body,
                "a quoted url comes back whole");
  const MastodonVerdict refused = JudgeMastodonReply(422, wrapped, u"");
  fuzz::Require(refused.kind == Kind::kRefused && refused.text == ReplyExcerpt(body),
                "a quoted error comes back bounded");

  for (const auto& limits : {LimitsFromInstanceV2(body), LimitsFromInstanceV1(body)}) {
    if (limits) {
      fuzz::Require(limits->maxCharacters >= 1 && limits->maxCharacters <= kHighestStatusLimit,
                    "a published limit is usable");
    }
  }

  const StatusLimits limits{1 + data[1] % 64u, data[0] % 30u};
  fuzz::Require(MastodonLength(body, 1) <= CodePoints(body), "a link never counts more than 1");
  const std::u16string cut = CutToLimit(body, limits);
  fuzz::Require(body.starts_with(cut), "the cut is a start of the text");
  fuzz::Require(MastodonLength(cut, limits.charactersPerUrl) <= limits.maxCharacters,
                "the cut fits the limit");
  if (cut.size() < body.size() && !cut.empty()) {
    fuzz::Require(cut.back() < 0xD800 || cut.back() > 0xDBFF || body[cut.size()] < 0xDC00 ||
                      body[cut.size()] > 0xDFFF,
                  "no pair cut in two");
  }
  return 0;
}
