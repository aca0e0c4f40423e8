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

// The last and first code point of each UTF-8 length, and a pair or a lone half at the end.
TEST(FormEncode, EachUtf8LengthStartsAndEndsAtItsBoundary) {
  EXPECT_EQ(FormEncode(u"\u007F"), u"%7F");
  EXPECT_EQ(FormEncode(u"\u0080"), u"%C2%80");
  EXPECT_EQ(FormEncode(u"\u07FF"), u"%DF%BF");
  EXPECT_EQ(FormEncode(u"\u0800"), u"%E0%A0%80");
  EXPECT_EQ(FormEncode(u"\uFFFF"), u"%EF%BF%BF");
  EXPECT_EQ(FormEncode(u"\U00010000"), u"%F0%90%80%80");
  EXPECT_EQ(FormEncode(u"\U0010FFFF"), u"%F4%8F%BF%BF");
  EXPECT_EQ(FormEncode(u"a" + std::u16string(1, u'\xDC00')), u"a%EF%BF%BD");
}

}  // namespace
}  // namespace poster::web
