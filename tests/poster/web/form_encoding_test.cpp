#include "poster/web/form_encoding.h"

#include <gtest/gtest.h>

namespace poster::web {
namespace {

TEST(FormEncode, EscapesEverythingThatWouldChangeTheForm) {
  EXPECT_EQ(FormEncode(u"Tom & Jerry"), u"Tom+%26+Jerry");
  EXPECT_EQ(FormEncode(u"C++ 100% a=b?c#d"), u"C%2B%2B+100%25+a%3Db%3Fc%23d");
  EXPECT_EQ(FormEncode(u"line\r\nbreak\t"), u"line%0D%0Abreak%09");
  EXPECT_EQ(FormEncode(u"Az09*-._~/:"), u"Az09*-._%7E%2F%3A");
}

TEST(FormEncode, WritesNonAsciiAsUtf8) {
  EXPECT_EQ(FormEncode(u"\u00E9"), u"%C3%A9");
  EXPECT_EQ(FormEncode(u"\u20AC"), u"%E2%82%AC");
  EXPECT_EQ(FormEncode(u"\U0001F600"), u"%F0%9F%98%80");
  EXPECT_EQ(FormEncode(std::u16string(1, u'\xD83D') + u"x"), u"%EF%BF%BDx");
  EXPECT_EQ(FormEncode(std::u16string(1, u'\0')), u"%00");
}

}  // namespace
}  // namespace poster::web
