#include "poster/mastodon/mastodon_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace poster::web {
namespace {

TEST(MastodonTexts, TheCounterCountsAsTheServerAndNamesItsLimit) {
  const CounterLook within = MastodonCounterFor(u"see https://example.org/long/path", {30, 23});
  EXPECT_EQ(within.caption, u"27 Characters.");
  EXPECT_EQ(within.color, kCounterYellow);
  const CounterLook over = MastodonCounterFor(u"\U0001F600\U0001F600\U0001F600", {2, 23});
  EXPECT_EQ(over.caption, u"3 Characters.( Over the limit of 2: shorten it before you send )");
  EXPECT_EQ(over.color, kCounterDarkRed);
  // An emoji with its skin tone and a family emoji are one character each.
  const std::u16string emoji =
      u"\U0001F44D\U0001F3FD\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
  EXPECT_EQ(MastodonCounterFor(emoji, {2, 23}).caption, u"2 Characters.");
}

TEST(MastodonTexts, InputIsRefusedForNoTokenNoTextOrOverTheLimit) {
  const StatusLimits limits{5, 3};
  EXPECT_EQ(MastodonInputProblem(u"", u"hi", limits, u"Social").text,
            u"Sorry, you need to enter your access token.");
  EXPECT_EQ(MastodonInputProblem(u"t", u"", limits, u"Social").text,
            u"Sorry, a post may be between 1 and 5 characters in length.");
  // The link counts 3 wherever it is long: 6 is over, 5 is not.
  EXPECT_EQ(MastodonInputProblem(u"t", u"ab http://x.example/very/long", limits, u"Social"),
            (BoxText{u"Your post exceeds the maximum length allowed by Social",
                     u"Please adjust the text in your post so that it is within 5 characters."}));
  EXPECT_EQ(MastodonInputProblem(u"t", u"a http://x.example/very/long", limits, u"S").title, u"");
}

TEST(MastodonTexts, VerdictBoxesNameTheServerAndSayWhatItSaid) {
  constexpr char16_t kServer[] = u"https://S.example/";
  EXPECT_EQ(MastodonVerdictBox({MastodonVerdict::Kind::kPublished, u"https://s.example/@a/1"},
                               u"Social", kServer),
            (BoxText{u"Congratulations!",
                     u"Your post was published on Social.\n\nhttps://s.example/@a/1"}));
  EXPECT_EQ(MastodonVerdictBox({MastodonVerdict::Kind::kPublished, u"http://S.EXAMPLE:8080/1"},
                               u"Social", kServer)
                .text,
            u"Your post was published on Social.\n\nhttp://S.EXAMPLE:8080/1");
  // Another host, another scheme, too long, or anything that does not show as itself.
  for (const std::u16string& address :
       {std::u16string(), std::u16string(u"https://evil.example/@a/1"),
        std::u16string(u"https://s.example.evil.example/1"), std::u16string(u"javascript:alert(1)"),
        std::u16string(u"https://s.example/") + std::u16string(183, u'a'),
        std::u16string(u"https://s.example/a\nb"), std::u16string(u"https://s.example/\u202Egpj"),
        std::u16string(u"https://s.example/a\u200Bb"),
        std::u16string(u"https://s.example/\xD800")}) {
    EXPECT_EQ(
        MastodonVerdictBox({MastodonVerdict::Kind::kPublished, address}, u"Social", kServer).text,
        u"Your post was published on Social.")
        << address.size();
  }
  EXPECT_EQ(MastodonVerdictBox({MastodonVerdict::Kind::kRefused, u"Too many requests",
                                u"Try again after 20:05 UTC on 2026-12-07."},
                               u"Social", kServer),
            (BoxText{u"Whoops!",
                     u"The post failed. Social advises:\n\nToo many requests\n\nTry again "
                     u"after 20:05 UTC on 2026-12-07."}));
  EXPECT_EQ(MastodonUnsentBox(u"The server did not answer in time.").text,
            u"Your post could not be sent: The server did not answer in time.\n\nNothing was "
            u"posted. Your text is still here, so you can try again.");
}

TEST(MastodonTexts, TheRequestCarriesBearerFormBodyAndTheKey) {
  const WebRequest request =
      MastodonStatusRequest(u"https://social.example/", u"tok123", u"Caf\u00e9 & more", 7);
  EXPECT_EQ(request.method, u"POST");
  EXPECT_EQ(request.url, u"https://social.example/api/v1/statuses");
  ASSERT_EQ(request.headers.size(), 3u);
  EXPECT_EQ(request.headers[0],
            (std::pair<std::u16string, std::u16string>{u"Authorization", u"Bearer tok123"}));
  EXPECT_EQ(request.headers[1].second, u"application/x-www-form-urlencoded");
  EXPECT_EQ(request.headers[2].second, IdempotencyKey(7, u"Caf\u00e9 & more"));
  EXPECT_EQ(std::string(request.body.begin(), request.body.end()), "status=Caf%C3%A9+%26+more");
}

}  // namespace
}  // namespace poster::web
