#include "kestrova/kestrova_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(KestrovaFolder, AddsOneBackslashAndTheMakersFolder) {
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files"), u"C:\\Program Files\\Kestrova\\");
  EXPECT_EQ(DataFolderFor(u"D:\\"), u"D:\\Kestrova\\");
  EXPECT_EQ(DataFolderFor(u"C:\\Apps\\"), u"C:\\Apps\\Kestrova\\");
  EXPECT_EQ(DataFolderFor(u""), u"\\Kestrova\\");
  EXPECT_EQ(DataFolderFor(u"\\"), u"\\Kestrova\\");
}

}  // namespace
}  // namespace kestrova
