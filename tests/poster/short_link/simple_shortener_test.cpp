#include "poster/short_link/simple_shortener.h"

#include <gtest/gtest.h>

namespace poster::web {
namespace {

TEST(SimpleShortener, TheAddressNeedsThePlaceholderAndAWebAddress) {
  EXPECT_FALSE(IsSimpleShortenerAddress(u"http://sl.ks/Create.asp"));
  EXPECT_EQ(SimpleShortenerAddress(u"HTTPS://is.gd/create.php?format=simple&url={url}"),
            u"https://is.gd/create.php?format=simple&url={url}");
  EXPECT_EQ(SimpleShortenerAddress(u"http://127.0.0.1:8080/s/{url}"),
            u"http://127.0.0.1:8080/s/{url}");
  for (const char16_t* refused :
       {u"https://is.gd/create.php?format=simple", u"is.gd/create.php?url={url}",
        u"https://is.gd/create.php?url={url}#top", u"https://is.gd/create.php?url={url} x",
        u"https://user@is.gd/?url={url}", u"javascript:{url}"}) {
    EXPECT_EQ(SimpleShortenerAddress(refused), std::nullopt);
  }
}

TEST(SimpleShortener, TheLongAddressBecomesOneEncodedQueryValue) {
  EXPECT_EQ(SimpleShortenerRequest(u"https://is.gd/create.php?format=simple&url={url}",
                                   u"http://a.example/x y?q=1&r=\u00e9#f"),
            u"https://is.gd/create.php?format=simple&url="
            u"http%3A%2F%2Fa.example%2Fx%20y%3Fq%3D1%26r%3D%C3%A9%23f");
  EXPECT_EQ(SimpleShortenerRequest(u"http://s/{url}/{url}", u"a+b"), u"http://s/a%2Bb/a%2Bb");
}

TEST(SimpleShortener, TheWholeTrimmedReplyIsTheLinkWhenItLooksLikeOne) {
  EXPECT_EQ(SimpleShortLinkIn(u"https://is.gd/AbC1\n"), u"https://is.gd/AbC1");
  EXPECT_EQ(SimpleShortLinkIn(u" \r\nhttp://y.example/x \r\n"), u"http://y.example/x");
  for (const char16_t* refused :
       {u"", u" \n", u"Error: Please enter a valid URL to shorten", u"https://is.gd/a\tb",
        u"https://is.gd/a\nhttps://is.gd/b", u"<html><body>https://is.gd/a</body></html>"}) {
    EXPECT_EQ(SimpleShortLinkIn(refused), std::nullopt);
  }
}

}  // namespace
}  // namespace poster::web
