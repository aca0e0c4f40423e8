#include "poster/short_link/simple_shortener.h"

#include "platform/common/text.h"
#include "poster/web/form_encoding.h"
#include "poster/web/reply_rules.h"
#include "poster/web/service_addresses.h"

namespace poster::web {
namespace {

bool IsQueryCharacter(char16_t c) {
  return c > u' ' && c != 0x7F && c != u'#' && !(c >= 0x80 && c <= 0x9F);
}

bool IsReplySpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

}  // namespace

bool IsSimpleShortenerAddress(std::u16string_view address) {
  return address.find(kLongAddressPlaceholder) != std::u16string_view::npos;
}

std::optional<std::u16string> SimpleShortenerAddress(std::u16string_view text) {
  if (!IsSimpleShortenerAddress(text)) return std::nullopt;
  const std::size_t question = text.find(u'?');
  const std::optional<std::u16string> base = WebAddress(text.substr(0, question));
  if (!base) return std::nullopt;
  if (question == std::u16string_view::npos) return *base;
  const std::u16string_view query = text.substr(question);
  for (char16_t c : query) {
    if (!IsQueryCharacter(c)) return std::nullopt;
  }
  return platform::Joined({*base, query});
}

std::u16string SimpleShortenerRequest(std::u16string_view address,
                                      std::u16string_view longAddress) {
  // The form encoder leaves only its "+" for a space open to a second reading in a query.
  std::u16string encoded;
  for (char16_t c : FormEncode(longAddress)) {
    if (c == u'+') {
      encoded += u"%20";
    } else {
      encoded += c;
    }
  }
  const std::u16string_view placeholder = kLongAddressPlaceholder;
  std::u16string out;
  std::size_t from = 0;
  for (std::size_t at = address.find(placeholder); at != std::u16string_view::npos;
       at = address.find(placeholder, from)) {
    out += address.substr(from, at - from);
    out += encoded;
    from = at + placeholder.size();
  }
  out += address.substr(from);
  return out;
}

std::optional<std::u16string> SimpleShortLinkIn(std::u16string_view reply) {
  while (!reply.empty() && IsReplySpace(reply.front())) reply.remove_prefix(1);
  while (!reply.empty() && IsReplySpace(reply.back())) reply.remove_suffix(1);
  if (reply.empty() || reply.find(u'\t') != std::u16string_view::npos) return std::nullopt;
  return ShortLinkIn(platform::Joined({reply, u"\t"}));
}

}  // namespace poster::web
