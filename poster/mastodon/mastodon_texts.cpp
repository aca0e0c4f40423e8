#include "poster/mastodon/mastodon_texts.h"

#include <optional>

#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "poster/web/form_post.h"

namespace poster::web {
namespace {

bool IsPrintable(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
        platform::IsHiddenMark(c)) {
      return false;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c > 0xDBFF || i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
        return false;
      }
      ++i;
    }
  }
  return true;
}

// Whether the server's "url" for the post may be shown as the post's address.
bool IsShownPostAddress(std::u16string_view address, std::u16string_view server) {
  if (address.size() > kLongestShownPostAddress || !IsPrintable(address)) return false;
  const std::optional<platform::WebUrl> post = platform::ParseWebUrl(address);
  const std::optional<platform::WebUrl> home = platform::ParseWebUrl(server);
  return post && home && platform::AsciiLower(post->host) == platform::AsciiLower(home->host);
}

}  // namespace

WindowWords MastodonWindowWords() {
  return {u"User Name (not needed)", u"Your Access Token", u"SEND YOUR POST",
          u"(Automatically adds the URL to your Post)", 0};
}

CounterLook MastodonCounterFor(std::u16string_view text, const StatusLimits& limits) {
  const std::size_t length = MastodonLength(text, limits.charactersPerUrl);
  return CounterLookFor(length, length > limits.maxCharacters,
                        platform::DecimalText(limits.maxCharacters));
}

CounterLook CounterLookFor(std::size_t count, bool over, std::u16string_view limit) {
  const std::u16string counted = platform::DecimalText(count);
  if (!over) return {platform::Joined({counted, u" Characters."}), kCounterYellow};
  return {platform::Joined({counted, u" Characters.( Over the limit of ", limit,
                            u": shorten it before you send )"}),
          kCounterDarkRed};
}

BoxText MastodonInputProblem(std::u16string_view token, std::u16string_view status,
                             const StatusLimits& limits, std::u16string_view statusName) {
  const std::u16string most = platform::DecimalText(limits.maxCharacters);
  if (token.empty()) return {u"Whoops!", u"Sorry, you need to enter your access token."};
  if (status.empty()) return EmptyPostBox(most);
  if (MastodonLength(status, limits.charactersPerUrl) > limits.maxCharacters) {
    return TooLongPostBox(platform::Joined({most, u" characters"}), statusName);
  }
  return {};
}

BoxText EmptyPostBox(std::u16string_view most) {
  return {u"Whoops!", platform::Joined({u"Sorry, a post may be between 1 and ", most,
                                        u" characters in length."})};
}

BoxText TooLongPostBox(std::u16string_view within, std::u16string_view statusName) {
  return {platform::Joined({u"Your post exceeds the maximum length allowed by ", statusName}),
          platform::Joined(
              {u"Please adjust the text in your post so that it is within ", within, u"."})};
}

BoxText MastodonVerdictBox(const MastodonVerdict& verdict, std::u16string_view statusName,
                           std::u16string_view server) {
  if (verdict.kind == MastodonVerdict::Kind::kPublished) {
    const bool shown = IsShownPostAddress(verdict.text, server);
    return {u"Congratulations!", platform::Joined({u"Your post was published on ", statusName, u".",
                                                   shown ? u"\n\n" : u"",
                                                   shown ? verdict.text : std::u16string_view()})};
  }
  const bool retry = !verdict.retry.empty();
  return {u"Whoops!", platform::Joined({u"The post failed. ", statusName, u" advises:\n\n",
                                        verdict.text, retry ? u"\n\n" : u"", verdict.retry})};
}

BoxText MastodonUnsentBox(std::u16string_view reason) {
  return {u"Whoops!",
          platform::Joined({u"Your post could not be sent: ", reason,
                            u"\n\nNothing was posted. Your text is still here, so you can try "
                            u"again."})};
}

BoxText MastodonMaybeSentBox(std::u16string_view reason, std::u16string_view server) {
  return {u"Whoops!",
          platform::Joined({u"No answer came after your post was sent: ", reason,
                            u"\n\nYour post may have arrived at ", server,
                            u". Look there before you send it again. Your text is still here; "
                            u"sent again unchanged, it cannot be posted twice."})};
}

BoxText MastodonEditedAfterMaybeSentQuestion(std::u16string_view server) {
  return {u"Send as a new post?",
          platform::Joined({u"Your earlier post may have arrived at ", server,
                            u". If it did, this edited text is posted as well.\n\nSend "
                            u"this edited text as a new post?"})};
}

WebRequest MastodonStatusRequest(std::u16string_view server, std::u16string_view token,
                                 std::u16string_view text, std::uint64_t runSeed) {
  WebRequest request;
  request.method = u"POST";
  request.url = MastodonEndpoint(server, kStatusesPath);
  const std::u16string bearer = platform::Joined({u"Bearer ", token});
  const std::u16string key = IdempotencyKey(runSeed, text);
  const std::u16string_view headers[][2] = {{u"Authorization", bearer},
                                            {u"Content-Type", u"application/x-www-form-urlencoded"},
                                            {u"Idempotency-Key", key}};
  for (const auto& [name, value] : headers) request.headers.emplace_back(name, value);
  const std::string field = FormField(u"status", text);
  request.body.assign(field.begin(), field.end());
  return request;
}

}  // namespace poster::web
