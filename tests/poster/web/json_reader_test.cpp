#include "poster/web/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace poster::web {
namespace {

TEST(JsonObject, ReadsOnlyOneWholeObject) {
  const auto json = JsonObject::Parse(
      u" {\"a\": {\"b\": [1, {\"c\": 2}], \"c\": 7}, \"s\": \"x\\u00e9\\ud83d\\ude00\\n\\\"\","
      u" \"n\": null, \"d\": \"\u00e9t\u00e9\"}\r\n");
  ASSERT_TRUE(json.has_value());
  EXPECT_EQ(json->StringAt({u"s"}), u"x\u00e9\U0001F600\n\"");
  EXPECT_EQ(json->StringAt({u"d"}), u"\u00e9t\u00e9");
  EXPECT_EQ(json->WholeNumberAt({u"a", u"c"}, 100), 7u);  // not the c inside the array
  EXPECT_EQ(json->WholeNumberAt({u"a", u"c"}, 6), std::nullopt);
  EXPECT_EQ(json->StringAt({u"n"}), std::nullopt);
  EXPECT_EQ(json->StringAt({u"a"}), std::nullopt);
  EXPECT_EQ(json->WholeNumberAt({u"s", u"x"}, 100), std::nullopt);
  EXPECT_EQ(json->StringAt({u"missing"}), std::nullopt);

  for (const char16_t* broken :
       {u"", u"[1]", u"\"id\"", u"{\"id\": \"1\"", u"{\"id\": \"1\"} {}", u"{\"id\": \"1\"} x",
        u"<html>{\"id\": \"1\"}", u"{\"id\": \"\\x\"}", u"{\"id\": \"\\u12\"}", u"{\"id\": tru}",
        u"{\"id\": 01}", u"{\"id\": 1.}", u"{\"id\": -}"}) {
    EXPECT_FALSE(JsonObject::Parse(broken).has_value()) << std::u16string(broken).size();
  }
}

}  // namespace
}  // namespace poster::web
