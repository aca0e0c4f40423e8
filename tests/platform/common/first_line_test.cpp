#include "platform/common/first_line.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(FirstLineScanner, StopsAtTheFirstCarriageReturnAcrossChunks) {
  FirstLineScanner scanner;
  EXPECT_FALSE(scanner.Feed("ab"));
  EXPECT_FALSE(scanner.Feed("c\nd"));
  EXPECT_TRUE(scanner.Feed("e\rf\r\n"));
  EXPECT_TRUE(scanner.Feed("more"));
  EXPECT_EQ(scanner.Line(), "abc\nde");
}

TEST(FirstLineScanner, ChunkStartingWithCarriageReturnEndsTheLine) {
  FirstLineScanner scanner;
  scanner.Feed("xy");
  EXPECT_TRUE(scanner.Feed("\r\nz"));
  EXPECT_EQ(scanner.Line(), "xy");
}

}  // namespace
}  // namespace platform
