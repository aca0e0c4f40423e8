// The arithmetic and texts of the Win32 backend that need no system: twips, fonts, names.
#include <gtest/gtest.h>

#include "platform/win32/measure.h"
#include "platform/win32/program_identity.h"

namespace platform::win32 {
namespace {

TEST(Twips, BecomePixelsAtTheScreensDpi) {
  EXPECT_EQ(TwipsToPixels(10155, 96), 677);
  EXPECT_EQ(TwipsToPixels(5850, 96), 390);
  EXPECT_EQ(TwipsToPixels(1440, 120), 120);
  EXPECT_EQ(TwipsToPixels(1440, 144), 144);
  // 7.5 twips is half a pixel at 96 DPI: halves round away from zero, both ways.
  EXPECT_EQ(TwipsToPixels(7.5, 96), 1);
  EXPECT_EQ(TwipsToPixels(-7.5, 96), -1);
  EXPECT_EQ(TwipsToPixels(-1200, 96), -80);
  EXPECT_DOUBLE_EQ(PixelsToTwips(677, 96), 10155);
  EXPECT_DOUBLE_EQ(PixelsToTwips(1, 120), 12);
}

TEST(FontHeight, IsTheNegatedCharacterHeightInPixels) {
  EXPECT_EQ(FontHeightForPoints(12, 96), -16);
  EXPECT_EQ(FontHeightForPoints(9.75, 96), -13);
  EXPECT_EQ(FontHeightForPoints(27.75, 96), -37);
  EXPECT_EQ(FontHeightForPoints(12, 120), -20);
  EXPECT_EQ(FontHeightForPoints(8, 144), -16);
}

TEST(ProgramTitle, IsTheFileNameWithoutFolderAndExtension) {
  EXPECT_EQ(ProgramTitle(u"C:\\Program Files\\Kestrova\\Lumora.exe"), u"Lumora");
  EXPECT_EQ(ProgramTitle(u"Z:/tmp/build/SetupLumora.EXE"), u"SetupLumora");
  EXPECT_EQ(ProgramTitle(u"C:Lumora.exe"), u"Lumora");
  EXPECT_EQ(ProgramTitle(u"C:\\a.b\\My.Tool.exe"), u"My.Tool");
  EXPECT_EQ(ProgramTitle(u"C:\\bin\\tool"), u"tool");
}

TEST(InstanceMarker, IsSharedByOneProgramWhateverItsCaseOrFolder) {
  const auto lumora = InstanceMarkerName(u"C:\\Program Files\\Kestrova\\Lumora.exe");
  EXPECT_EQ(lumora, InstanceMarkerName(u"Z:\\build\\LUMORA.EXE"));
  EXPECT_NE(lumora, InstanceMarkerName(u"Z:\\build\\SetupLumora.exe"));
  // Named objects take no backslash outside their namespace prefix.
  EXPECT_EQ(lumora.find(u'\\'), std::u16string::npos);
}

TEST(RunTimeError, ShowsTheCodeAsASignedNumberAboveTheDescription) {
  EXPECT_EQ(RunTimeErrorText(53, u"File not found"), u"Run-time error '53':\n\nFile not found");
  EXPECT_EQ(RunTimeErrorText(0, u"x"), u"Run-time error '0':\n\nx");
  EXPECT_EQ(RunTimeErrorText(0x80070005u, u"Access is denied."),
            u"Run-time error '-2147024891':\n\nAccess is denied.");
  EXPECT_EQ(RunTimeErrorText(0x80000000u, u""), u"Run-time error '-2147483648':\n\n");
}

}  // namespace
}  // namespace platform::win32
