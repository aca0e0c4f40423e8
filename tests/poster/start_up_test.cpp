#include <ostream>
#include <string>
#include <vector>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using StartUp = LumoraTest;

TEST_F(StartUp, RunsItsStepsInOrderAndLeavesTheTimerRunning) {
  ASSERT_TRUE(Load());
  EXPECT_EQ(journal,
            (platform::fake::Journal{"PreviousInstanceRunning", "RegisterScheme", "AppendCreate",
                                     "AppendCreate", "ReadFirstLine", "ReadFirstLine"}));
  EXPECT_EQ(environment.createdFolders,
            std::vector<std::u16string>{u"C:\\Program Files\\Kestrova"});
  EXPECT_EQ(window.calls, std::vector<std::string>{"MakeTopmost"});
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(clipboard.reads, 0) << "the clipboard is the timer's business";
}

TEST_F(StartUp, FirstRunCreatesTwoEmptyFilesAndEmptyBoxes) {
  ASSERT_TRUE(Load());
  EXPECT_EQ(files.files.size(), 2u);
  EXPECT_EQ(File(u"UN.DAT"), "");
  EXPECT_EQ(File(u"PW.DAT"), "");
  EXPECT_EQ(userName.Text(), u"");
  EXPECT_EQ(password.Text(), u"");
}

TEST_F(StartUp, SecondInstanceOnlyWarnsAndEndsBeforeTouchingAnything) {
  process.previousInstance = true;
  EXPECT_FALSE(Load());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"This program is already running.");
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
  EXPECT_FALSE(boxes.shown[0].beepedFirst);
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(environment.createdFolders.empty());
  EXPECT_TRUE(window.calls.empty());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(Main().DataFolder(), u"");
}

struct FolderCase {
  const char16_t* programFiles;  // nullptr: unset
  const char16_t* created;
  const char16_t* dataFolder;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << (c.programFiles ? "ProgramFiles set" : "ProgramFiles unset");
}

class DataFolderRule : public LumoraTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(DataFolderRule, AppendsOneBackslashAndTheMakersFolder) {
  const FolderCase& c = GetParam();
  if (c.programFiles) {
    environment.variables[u"ProgramFiles"] = c.programFiles;
  } else {
    environment.variables.erase(u"ProgramFiles");
  }
  Main().Initiation();
  EXPECT_EQ(environment.createdFolders, std::vector<std::u16string>{c.created});
  EXPECT_EQ(Main().DataFolder(), c.dataFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DataFolderRule,
    ::testing::Values(FolderCase{u"C:\\Program Files", u"C:\\Program Files\\Kestrova",
                                 u"C:\\Program Files\\Kestrova\\"},
                      FolderCase{u"D:\\Apps\\", u"D:\\Apps\\Kestrova", u"D:\\Apps\\Kestrova\\"},
                      // The system's Program Files folder, as the installer takes it.
                      FolderCase{nullptr, u"C:\\Program Files (x86)\\Kestrova",
                                 u"C:\\Program Files (x86)\\Kestrova\\"}),
    [](const auto& testCase) { return "Case" + std::to_string(testCase.index); });

TEST_F(StartUp, AFolderThatCannotBeCreatedIsNoErrorWhileTheFilesCanBeMade) {
  environment.createSucceeds = false;
  EXPECT_TRUE(Load());
  EXPECT_EQ(Main().DataFolder(), kFolder);
}

TEST_F(StartUp, AFileThatCannotBeCreatedEndsTheLoadWithTheSystemsError) {
  files.failing[std::u16string(kFolder) + u"UN.DAT"] = 75;
  try {
    Main().Form_Load();
    FAIL() << "the load handler should pass the file error on";
  } catch (const platform::Failure& failure) {
    EXPECT_EQ(failure.Code(), 75u);
  }
  EXPECT_TRUE(window.calls.empty());
  EXPECT_FALSE(timer.Enabled());
}

struct CredentialCase {
  std::string bytes;
  std::u16string expected;
};

void PrintTo(const CredentialCase& c, std::ostream* os) {
  *os << c.bytes.size() << " bytes";
}

class CredentialReader : public LumoraTest, public ::testing::WithParamInterface<CredentialCase> {};

// The two files differ, so a box filled from the other's file shows.
TEST_P(CredentialReader, TakesEverythingBeforeTheFirstCarriageReturn) {
  files.files[std::u16string(kFolder) + u"UN.DAT"] = GetParam().bytes;
  files.files[std::u16string(kFolder) + u"PW.DAT"] = "pw" + GetParam().bytes;
  ASSERT_TRUE(Load());
  EXPECT_EQ(userName.Text(), GetParam().expected);
  EXPECT_EQ(password.Text(), u"pw" + GetParam().expected);
  EXPECT_EQ(File(u"UN.DAT"), GetParam().bytes) << "reading leaves the file as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CredentialReader,
    ::testing::Values(CredentialCase{"", u""}, CredentialCase{"\r\n", u""},
                      CredentialCase{"alice\r\nbob\r\n", u"alice"},
                      CredentialCase{"no line end", u"no line end"},
                      CredentialCase{"unix\nline\n", u"unix\nline\n"},
                      CredentialCase{"  spaced  \r\n", u"  spaced  "},
                      CredentialCase{"caf\xE9\x01\xFF\r", u"caf\u00E9\u0001\u00FF"},
                      CredentialCase{std::string("a\0b", 3) + "\rc", std::u16string(u"a\0b", 3)}),
    [](const auto& testCase) { return "Case" + std::to_string(testCase.index); });

TEST_F(StartUp, AHugeSingleLineComesBackWhole) {
  const std::string huge(10 * 1024 * 1024, 'x');
  files.files[std::u16string(kFolder) + u"UN.DAT"] = huge;
  ASSERT_TRUE(Load());
  EXPECT_EQ(userName.Text().size(), huge.size());
}

}  // namespace
}  // namespace poster::testing
