#include "platform/common/text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace platform {
namespace {

TEST(DecimalText, WritesEveryDigitInOrder) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(140), u"140");
  EXPECT_EQ(DecimalText(UINT64_MAX), u"18446744073709551615");
}

TEST(AsciiLower, LowersOnlyAToZ) {
  EXPECT_EQ(AsciiLower(u"@AZ[`az{ \u00C4\u0130"), u"@az[`az{ \u00C4\u0130");
}

}  // namespace
}  // namespace platform
