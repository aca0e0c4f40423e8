#include <string>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

class LinkStart : public LumoraTest {
 protected:
  static constexpr char16_t kCommand[] = u"\"C:\\Program Files\\Kestrova\\Lumora.exe\" \"%1\"";

  void StartWith(const std::u16string& link) {
    process.startedWith = u"\"C:\\Program Files\\Kestrova\\Lumora.exe\" \"" + link + u"\"";
  }
};

TEST_F(LinkStart, FillsStatusAndLongAddressFromTheLinkWithoutTheClipboard) {
  clipboard.text = u"clipboard text";
  StartWith(
      u"lumora:post?text=%20%20Line%201%0ALine%202%20&url=https%3A%2F%2Fa.example%2Fp%3Fq%3D1");
  ASSERT_TRUE(Load());
  ASSERT_TRUE(Run([this] { Main().Timer1_Timer(); }));
  EXPECT_EQ(tweet.Text(), u"Line 1\r\nLine 2");
  EXPECT_EQ(longUrl.Text(), u"https://a.example/p?q=1");
  EXPECT_EQ(llen.Caption(), u"14 Characters.");
  EXPECT_EQ(clipboard.reads, 0);
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(http.calls.empty()) << "nothing is sent until the user presses a button";
}

TEST_F(LinkStart, ALinkWithoutTextStillOpensTheWindow) {
  StartWith(u"lumora:post?url=https%3A%2F%2Fa.example%2F");
  ASSERT_TRUE(Load());
  ASSERT_TRUE(Run([this] { Main().Timer1_Timer(); }));
  EXPECT_EQ(tweet.Text(), u"");
  EXPECT_EQ(longUrl.Text(), u"https://a.example/");
  EXPECT_EQ(process.ends, 0);
}

TEST_F(LinkStart, TheSettingsLinkOnlyOpensTheDialogAndCancelChangesNothing) {
  clipboard.text = u"clipboard text";
  settings.values[u"StatusAddress"] = u"https://social.example";
  const auto before = settings.values;
  StartWith(u"lumora:settings?StatusAddress=https%3A%2F%2Fevil.example");
  ASSERT_TRUE(Load());
  serviceDialog.presses.push_back(std::nullopt);
  ASSERT_TRUE(Run([this] { Main().Timer1_Timer(); }));
  ASSERT_EQ(serviceDialog.shown.size(), 1u);
  EXPECT_EQ(serviceDialog.shown[0].statusAddress, u"https://social.example");
  EXPECT_EQ(settings.values, before);
  EXPECT_EQ(clipboard.reads, 0);
  EXPECT_EQ(process.ends, 0);
}

TEST_F(LinkStart, ALinkNotUnderstoodIsRefusedBeforeAnythingIsWritten) {
  StartWith(u"lumora:post?text=%C0%AF");
  EXPECT_FALSE(Load());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kLinkNotUnderstood);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
  EXPECT_EQ(journal,
            (platform::fake::Journal{"PreviousInstanceRunning", "MessageBox", "EndProgram"}));
  EXPECT_TRUE(schemes.registered.empty());
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(environment.createdFolders.empty());
}

TEST_F(LinkStart, ASecondInstanceOnlySaysItIsAlreadyRunning) {
  process.previousInstance = true;
  StartWith(u"lumora:post?text=%C0%AF");
  EXPECT_FALSE(Load());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"This program is already running.");
  EXPECT_TRUE(schemes.registered.empty());
}

TEST_F(LinkStart, RegistersTheSchemeWhenMissing) {
  ASSERT_TRUE(Load());
  ASSERT_EQ(schemes.registered.size(), 1u);
  EXPECT_EQ(schemes.registered[0].scheme, u"lumora");
  EXPECT_EQ(schemes.registered[0].description, u"Lumora");
  EXPECT_EQ(schemes.registered[0].command, kCommand);
}

TEST_F(LinkStart, LeavesTheSchemeAloneWhenItNamesThisProgram) {
  schemes.commands[u"lumora"] = kCommand;
  ASSERT_TRUE(Load());
  EXPECT_TRUE(schemes.registered.empty());
}

TEST_F(LinkStart, TheInstalledCopyTakesTheSchemeBackWhateverItsPathsSpelling) {
  schemes.commands[u"lumora"] = u"\"D:\\Old\\Lumora.exe\" \"%1\"";
  process.ownPath = u"c:\\PROGRAM FILES\\kestrova\\.\\Lumora.exe";
  ASSERT_TRUE(Load());
  ASSERT_EQ(schemes.registered.size(), 1u);
  EXPECT_EQ(schemes.registered[0].command, LinkOpenCommand(process.ownPath));
}

TEST_F(LinkStart, ACopyOutsideTheInstalledFolderNeitherWritesNorReplacesTheScheme) {
  for (const char16_t* elsewhere :
       {u"C:\\Users\\me\\Downloads\\Lumora.exe", u"E:\\Lumora.exe",
        u"C:\\Program Files\\Kestrova\\old\\Lumora.exe",
        u"C:\\Program Files\\Kestrova2\\Lumora.exe", u"C:\\Program Files\\Lumora.exe"}) {
    for (const bool keyExists : {false, true}) {
      NewRun();
      schemes.commands.clear();
      if (keyExists) schemes.commands[u"lumora"] = kCommand;
      process.ownPath = elsewhere;
      const std::string where(elsewhere, elsewhere + std::char_traits<char16_t>::length(elsewhere));
      ASSERT_TRUE(Load());
      EXPECT_TRUE(schemes.registered.empty()) << where;
      EXPECT_EQ(schemes.commands.size(), keyExists ? 1u : 0u) << where;
      EXPECT_TRUE(boxes.shown.empty()) << "says nothing";
    }
  }
}

TEST_F(LinkStart, WithoutTheVariableTheInstalledFolderIsTheSystemsProgramFiles) {
  environment.variables.clear();
  process.ownPath = u"C:\\Program Files\\Kestrova\\Lumora.exe";
  ASSERT_TRUE(Load());
  EXPECT_TRUE(schemes.registered.empty());
  NewRun();
  process.ownPath = u"C:\\Program Files (x86)\\Kestrova\\Lumora.exe";
  ASSERT_TRUE(Load());
  EXPECT_EQ(schemes.registered.size(), 1u);
}

TEST_F(LinkStart, AFailedRegistrationGoesUnnoticed) {
  schemes.registerFailure = platform::Failure(5, u"Access is denied.");
  clipboard.text = u"from the clipboard";
  ASSERT_TRUE(Load());
  ASSERT_TRUE(Run([this] { Main().Timer1_Timer(); }));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(tweet.Text(), u"from the clipboard");
}

}  // namespace
}  // namespace poster::testing
