#include "installer/bookmarklet.h"

#include <gtest/gtest.h>

#include <string>

namespace installer {
namespace {

// What the bookmarklet does is checked in a real browser (tests/browser); here only what a
// browser would silently spoil before running it.
TEST(Bookmarklet, IsOneLineWithoutPercentSignsAndKeepsTheLimit) {
  const std::u16string code = Bookmarklet();
  EXPECT_TRUE(code.starts_with(u"javascript:"));
  EXPECT_EQ(code.find(u'%'), std::u16string::npos) << "a browser decodes %XX before running it";
  EXPECT_EQ(code.find(u'\n'), std::u16string::npos);
  EXPECT_NE(code.find(u"var L=1999,"), std::u16string::npos);
}

TEST(Bookmarklet, ThePageCarriesItEscapedForItsAttributeInAscii) {
  std::u16string page;
  for (const auto& line : BookmarkletPageLines()) page += line + u"\n";
  for (char16_t c : page) ASSERT_LT(c, 0x80) << "the page is written in any code page";
  const std::size_t href = page.find(u"href=\"");
  ASSERT_NE(href, std::u16string::npos);
  const std::size_t end = page.find(u'"', href + 6);
  std::u16string attribute = page.substr(href + 6, end - href - 6);
  EXPECT_EQ(attribute.find_first_of(u"<>"), std::u16string::npos);
  for (auto [entity, c] : {std::pair{u"&lt;", u"<"}, {u"&gt;", u">"}, {u"&quot;", u"\""}}) {
    for (auto at = attribute.find(entity); at != std::u16string::npos;
         at = attribute.find(entity)) {
      attribute.replace(at, std::char_traits<char16_t>::length(entity), c);
    }
  }
  for (auto at = attribute.find(u"&amp;"); at != std::u16string::npos;
       at = attribute.find(u"&amp;", at + 1)) {
    attribute.replace(at, 5, u"&");
  }
  EXPECT_EQ(attribute, Bookmarklet());
}

}  // namespace
}  // namespace installer
