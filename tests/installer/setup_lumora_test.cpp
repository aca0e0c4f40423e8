#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/deployed_files.h"
#include "installer/setup_lumora_form.h"
#include "kestrova/kestrova_folder.h"
#include "platform/fake/fake_ansi_codec.h"
#include "platform/fake/fake_binary_files.h"
#include "platform/fake/fake_clipboard.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_controls.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_message_boxes.h"
#include "platform/fake/fake_mouse_pointer.h"
#include "platform/fake/fake_process.h"
#include "platform/fake/fake_resources.h"
#include "platform/fake/fake_text_files.h"
#include "platform/fake/fake_url_schemes.h"

namespace installer {
namespace {

using platform::fake::ProgramEnded;

constexpr char16_t kUsualFolder[] = u"C:\\Program Files\\Kestrova\\";

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

// The script as the first release wrote it, with `progLine` as its 23rd line.
std::vector<std::string> ScriptWith(const std::string& progLine) {
  return {
      R"(<HTML>)",
      R"( <HEAD>)",
      R"(  <TITLE>)",
      R"(   Tweet Web Text INSTANTLY to your Twitter Followers)",
      R"(  </TITLE>)",
      R"( </HEAD>)",
      R"(  <script language="javascript" type="text/javascript">)",
      R"()",
      R"(// ===================)",
      R"(// STORE SELECTED TEXT)",
      R"(// ===================)",
      R"(   var Selected = window.external.menuArguments.document.selection.createRange().text;)",
      R"()",
      R"(// ========================)",
      R"(// COPY IT TO THE CLIPBOARD)",
      R"(// ========================)",
      R"(   window.clipboardData.setData("Text",Selected);)",
      R"()",
      R"(// ===============)",
      R"(// SHELL MY TALVEX APP)",
      R"(// ===============)",
      R"(   var oShell = new ActiveXObject("WScript.Shell");)",
      progLine,
      R"(   oShell.run('"'+prog+'"',1);)",
      R"()",
      R"(   window.close();)",
      R"(  </script>)",
      R"( </BODY>)",
      R"(</HTML>)",
  };
}

class SetupLumoraTest : public ::testing::Test {
 protected:
  SetupLumoraTest() {
    environment.variables[u"ProgramFiles"] = u"C:\\Program Files";
    resources.table[{u"CUSTOM", 101}] = program;
  }

  SetupLumoraForm& Form() {
    if (!form_) {
      form_ = std::make_unique<SetupLumoraForm>(SetupLumoraControls{window, button}, services);
    }
    return *form_;
  }

  // Presses the button; returns true when the program ended at the end of the handler.
  bool Press() {
    try {
      button.Click();
    } catch (const ProgramEnded&) {
      return true;
    }
    return false;
  }

  std::vector<std::uint8_t> program{'M', 'Z', 0x90, 0x00, 0x03, 0xFF};

  platform::fake::Journal journal;
  platform::fake::FakeWindow window;
  platform::fake::FakeButton button;
  platform::fake::FakeMessageBoxes boxes{&journal};
  platform::fake::FakeTextFiles files{&journal};
  platform::fake::FakeBinaryFiles binaries;
  platform::fake::FakeAnsiCodec ansi;
  platform::fake::FakeEnvironment environment;
  platform::fake::FakeProcess process{&journal};
  platform::fake::FakeResources resources;
  platform::fake::FakeClock clock;
  platform::fake::FakeEventPump events{clock};
  platform::fake::FakeUrlSchemes schemes{&journal};
  SetupLumoraServices services{boxes,   files,     binaries, ansi,   environment,
                               process, resources, clock,    events, schemes};

 private:
  std::unique_ptr<SetupLumoraForm> form_;
};

TEST_F(SetupLumoraTest, UsualFolderGetsTheFirstReleasesFilesByteForByte) {
  Form().Form_Load();

  EXPECT_EQ(Form().DataFolder(), kUsualFolder);
  EXPECT_EQ(environment.createdFolders, std::vector<std::u16string>{kUsualFolder});
  EXPECT_EQ(files.files[u"C:\\Program Files\\Kestrova\\Lumora.Reg"],
            Joined({
                R"(Windows Registry Editor Version 5.00)",
                R"()",
                R"([HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\MenuExt\Lumora])",
                R"(@="C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")",
            }));
  EXPECT_EQ(
      files.files[u"C:\\Program Files\\Kestrova\\Lumora.htm"],
      Joined(ScriptWith(R"(   var prog = "C:\\\\Program Files\\\\Kestrova\\\\Lumora.exe";)")));
  EXPECT_EQ(binaries.files[u"C:\\Program Files\\Kestrova\\Lumora.exe"], program);
  EXPECT_EQ(files.files.count(u"C:\\Program Files\\Kestrova\\Lumora-bookmarklet.htm"), 1u);
  EXPECT_EQ(journal, (platform::fake::Journal{"WriteLines", "WriteLines", "WriteLines"}));
}

// UTF-16LE bytes with a byte-order mark of the lines, each followed by CR LF.
std::string Utf16Joined(const std::vector<std::u16string>& lines) {
  std::u16string text = u"\uFEFF";
  for (const auto& line : lines) text += line + u"\r\n";
  std::string out;
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

struct FolderCase {
  const char* name;
  std::optional<std::u16string> programFiles;  // nullopt: unset
  std::u16string folder;
  std::string registryValue;  // the registry file's fourth line (ANSI)
  std::string progLine;       // the script's 23rd line
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << c.name;
}

class FolderTableTest : public SetupLumoraTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderTableTest, FilesAndRegistrationNameTheFolderWritten) {
  const FolderCase& c = GetParam();
  environment.variables.erase(u"ProgramFiles");
  if (c.programFiles) environment.variables[u"ProgramFiles"] = *c.programFiles;
  environment.currentFolder = u"E:\\Downloads\\";

  Form().Form_Load();

  ASSERT_EQ(Form().DataFolder(), c.folder);
  EXPECT_EQ(environment.createdFolders, std::vector<std::u16string>{c.folder});
  EXPECT_EQ(files.files[c.folder + u"Lumora.Reg"],
            Joined({"Windows Registry Editor Version 5.00", "",
                    R"([HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\MenuExt\Lumora])",
                    c.registryValue}));
  EXPECT_EQ(files.files[c.folder + u"Lumora.htm"], Joined(ScriptWith(c.progLine)));
  EXPECT_EQ(binaries.files[c.folder + u"Lumora.exe"], program);
  EXPECT_TRUE(boxes.shown.empty());

  EXPECT_TRUE(Press());
  EXPECT_EQ(process.programs, std::vector<std::u16string>{u"C:\\Windows\\regedit.exe"});
  ASSERT_EQ(process.started.size(), 1u);
  EXPECT_EQ(process.started[0].first, u"Regedit \"" + c.folder + u"Lumora.reg\"");
}

const std::u16string kLongRoot = u"C:\\" + std::u16string(247, u'a');
const std::string kLongRootNamed = "C:\\\\\\\\" + std::string(247, 'a');

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderTableTest,
    ::testing::Values(
        FolderCase{"Usual", u"C:\\Program Files", u"C:\\Program Files\\Kestrova\\",
                   R"(@="C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Program Files\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"X86TrailingBackslash", u"C:\\Program Files (x86)\\",
                   u"C:\\Program Files (x86)\\Kestrova\\",
                   R"(@="C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.exe";)"},
        // The "~" of a short name is part of the path, not a quote placeholder; the ANSI
        // code page holds the accent, so it stays one byte in the registry file, while the
        // script escapes it whatever the code page.
        FolderCase{"Punctuation", u"D:\\PROGRA~1\\Tom's [Caf\u00e9] & Co",
                   u"D:\\PROGRA~1\\Tom's [Caf\u00e9] & Co\\Kestrova\\",
                   "@=\"D:\\\\\\\\PROGRA~1\\\\\\\\Tom's [Caf\xe9] & Co\\\\\\\\Kestrova\\\\\\\\"
                   "Lumora.htm\"",
                   "   var prog = \"D:\\\\\\\\PROGRA~1\\\\\\\\Tom's [Caf\\u00E9] & Co\\\\\\\\"
                   "Kestrova\\\\\\\\Lumora.exe\";"},
        // A share is named exactly: doubling its leading pair would name no server.
        FolderCase{"Share", u"\\\\server\\apps", u"\\\\server\\apps\\Kestrova\\",
                   R"(@="\\\\server\\apps\\Kestrova\\Lumora.htm")",
                   R"(   var prog = "\\\\server\\apps\\Kestrova\\Lumora.exe";)"},
        // Unset or empty: the system's Program Files folder, never the current drive's root.
        FolderCase{"Unset", std::nullopt, u"C:\\Program Files (x86)\\Kestrova\\",
                   R"(@="C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"Empty", u"", u"C:\\Program Files (x86)\\Kestrova\\",
                   R"(@="C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Program Files (x86)\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"Relative", u"Apps", u"E:\\Downloads\\Apps\\Kestrova\\",
                   R"(@="E:\\\\Downloads\\\\Apps\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "E:\\\\Downloads\\\\Apps\\\\Kestrova\\\\Lumora.exe";)"},
        // What the system's resolver makes of paths a user may set: the files, the folder
        // check and the registration all see its result, never the setting as typed.
        FolderCase{"DriveRelative", u"e:Apps", u"e:\\Downloads\\Apps\\Kestrova\\",
                   R"(@="e:\\\\Downloads\\\\Apps\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "e:\\\\Downloads\\\\Apps\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"OtherDriveRelative", u"D:Apps", u"D:\\Apps\\Kestrova\\",
                   R"(@="D:\\\\Apps\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "D:\\\\Apps\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"ForwardSlashes", u"C:/Program Files/", u"C:\\Program Files\\Kestrova\\",
                   R"(@="C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Program Files\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"DotSegments", u"C:\\Program Files\\..\\.\\Apps", u"C:\\Apps\\Kestrova\\",
                   R"(@="C:\\\\Apps\\\\Kestrova\\\\Lumora.htm")",
                   R"(   var prog = "C:\\\\Apps\\\\Kestrova\\\\Lumora.exe";)"},
        FolderCase{"ShareWithForwardSlashes", u"//server/apps/../tools",
                   u"\\\\server\\apps\\tools\\Kestrova\\",
                   R"(@="\\\\server\\apps\\tools\\Kestrova\\Lumora.htm")",
                   R"(   var prog = "\\\\server\\apps\\tools\\Kestrova\\Lumora.exe";)"},
        FolderCase{"Long", kLongRoot, kLongRoot + u"\\Kestrova\\",
                   "@=\"" + kLongRootNamed + R"(\\\\Kestrova\\\\Lumora.htm")",
                   "   var prog = \"" + kLongRootNamed + R"(\\\\Kestrova\\\\Lumora.exe";)"}),
    [](const ::testing::TestParamInfo<FolderCase>& row) { return row.param.name; });

TEST_F(SetupLumoraTest, FolderOutsideTheAnsiCodePageIsNamedExactly) {
  const std::u16string folder = u"C:\\Programmes \u2713 \u7a0b\u5e8f\\Kestrova\\";
  environment.variables[u"ProgramFiles"] = u"C:\\Programmes \u2713 \u7a0b\u5e8f";
  Form().Form_Load();

  ASSERT_EQ(Form().DataFolder(), folder);
  // The registry file turns UTF-16, which the registry editor reads under the same header.
  EXPECT_EQ(files.files[folder + u"Lumora.Reg"],
            Utf16Joined({u"Windows Registry Editor Version 5.00", u"",
                         u"[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet "
                         u"Explorer\\MenuExt\\Lumora]",
                         u"@=\"C:\\\\\\\\Programmes \u2713 \u7a0b\u5e8f\\\\\\\\Kestrova\\\\\\\\"
                         u"Lumora.htm\""}));
  // The script stays ANSI: the characters become escapes inside its string.
  EXPECT_EQ(files.files[folder + u"Lumora.htm"],
            Joined(ScriptWith(R"(   var prog = "C:\\\\Programmes \u2713 \u7A0B\u5E8F)"
                              R"(\\\\Kestrova\\\\Lumora.exe";)")));
  EXPECT_EQ(journal, (platform::fake::Journal{"WriteUnicodeLines", "WriteLines", "WriteLines"}));
}

TEST_F(SetupLumoraTest, FolderWindowsOrTheBrowserCannotNameIsRefusedBeforeAnythingIsWritten) {
  for (const std::u16string programFiles :
       {u"C:\\Apps\"x", u"C:\\A|B", u"C:\\Apps:stream", u"\\\\?\\C:\\Apps", u"C:\\%TEMP%",
        u"C:\\Apps #1", u"\\\\server\\100%"}) {
    SCOPED_TRACE(std::string(programFiles.begin(), programFiles.end()));
    environment.variables[u"ProgramFiles"] = programFiles;
    boxes.shown.clear();
    process.ends = 0;

    EXPECT_THROW(Form().Form_Load(), ProgramEnded);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kWarning);
    EXPECT_NE(boxes.shown[0].text.find(kestrova::DataFolderFor(programFiles)),
              std::u16string::npos);
    EXPECT_EQ(process.ends, 1);
  }
  EXPECT_TRUE(environment.createdFolders.empty());
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(binaries.writes.empty());
}

TEST_F(SetupLumoraTest, WithoutProgramFilesAndTheSystemsFolderNothingIsWritten) {
  environment.variables.erase(u"ProgramFiles");
  environment.programFilesFailure = platform::Failure(2, u"The system cannot find the file.");

  EXPECT_THROW(Form().Form_Load(), ProgramEnded);

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].text,
            u"Lumora cannot be installed because Windows does not say where its Program Files "
            u"folder is: The system cannot find the file.");
  EXPECT_TRUE(environment.createdFolders.empty());
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(binaries.writes.empty());
}

TEST(RegistryEditor, IsTheOneInTheWindowsFolder) {
  EXPECT_EQ(RegeditPath(u"C:\\WINDOWS"), u"C:\\WINDOWS\\regedit.exe");
  EXPECT_EQ(RegeditPath(u"D:\\"), u"D:\\regedit.exe");
}

TEST_F(SetupLumoraTest, WindowStandsNearTheTopAndCentredEvenWhenWiderThanTheScreen) {
  window.width = 11671;
  window.screenWidth = 9600;  // 640 pixels
  Form().Form_Load();
  EXPECT_EQ(window.top, 40);
  EXPECT_DOUBLE_EQ(window.left, -1035.5);
}

TEST_F(SetupLumoraTest, ExistingOrUncreatableFolderIsNotReported) {
  environment.createSucceeds = false;
  Form().Form_Load();
  EXPECT_EQ(files.files.size(), 3u);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SetupLumoraTest, TextFileFailureEscapesBeforeTheProgramIsWritten) {
  files.failing[u"C:\\Program Files\\Kestrova\\Lumora.htm"] = 75;
  try {
    Form().Form_Load();
    FAIL() << "the failure was swallowed";
  } catch (const platform::Failure& failure) {
    EXPECT_EQ(failure.Code(), 75u);
  }
  EXPECT_EQ(files.files.count(u"C:\\Program Files\\Kestrova\\Lumora.Reg"), 1u);
  EXPECT_TRUE(binaries.writes.empty());
  EXPECT_TRUE(resources.reads.empty());
}

TEST_F(SetupLumoraTest, TheBookmarkletPageIsWrittenLastAndItsFailureIgnored) {
  files.failing[u"C:\\Program Files\\Kestrova\\Lumora-bookmarklet.htm"] = 5;
  Form().Form_Load();
  EXPECT_EQ(binaries.files.count(u"C:\\Program Files\\Kestrova\\Lumora.exe"), 1u);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SetupLumoraTest, DiskFullOnTheSecondWriteKeepsTheOldScript) {
  const std::u16string reg = u"C:\\Program Files\\Kestrova\\Lumora.Reg";
  const std::u16string htm = u"C:\\Program Files\\Kestrova\\Lumora.htm";
  files.files[reg] = "old registry file";
  files.files[htm] = "old script";
  files.failFromWrite = 2;

  EXPECT_THROW(Form().Form_Load(), platform::Failure);

  EXPECT_EQ(files.files[reg].rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
  EXPECT_EQ(files.files[htm], "old script");
  EXPECT_TRUE(binaries.writes.empty());
}

TEST_F(SetupLumoraTest, ProgramFileFailuresAreIgnored) {
  const std::u16string exe = u"C:\\Program Files\\Kestrova\\Lumora.exe";
  binaries.files[exe] = {'o', 'l', 'd'};
  binaries.inUse.insert(exe);
  Form().Form_Load();
  EXPECT_EQ(binaries.files[exe], (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(resources.reads, (std::vector<std::pair<std::u16string, int>>{{u"CUSTOM", 101}}));

  // Without the embedded copy nothing is written, not even an empty file.
  binaries.inUse.clear();
  binaries.writes.clear();
  resources.table.clear();
  Form().Form_Load();
  EXPECT_TRUE(binaries.writes.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SetupLumoraTest, ButtonMergesTheRegistryFileThenSaysHowToUseTheMenuAndEnds) {
  environment.variables[u"ProgramFiles"] = u"C:\\Apps";
  Form().Form_Load();
  journal.clear();
  bool hiddenDuringMessage = false;
  boxes.onShow = [&](const platform::fake::ShownBox&) { hiddenDuringMessage = !window.visible; };

  EXPECT_TRUE(Press());

  using Started = std::pair<std::u16string, platform::ShowState>;
  EXPECT_EQ(process.programs, std::vector<std::u16string>{u"C:\\Windows\\regedit.exe"});
  EXPECT_EQ(process.started,
            std::vector<Started>{Started(u"Regedit \"C:\\Apps\\Kestrova\\Lumora.reg\"",
                                         platform::ShowState::kNormal)});
  EXPECT_EQ(window.calls, std::vector<std::string>{"Hide"});
  EXPECT_TRUE(hiddenDuringMessage);
  EXPECT_EQ(journal,
            (platform::fake::Journal{"RegisterScheme", "Start", "MessageBox", "EndProgram"}));
  ASSERT_EQ(schemes.registered.size(), 1u);
  EXPECT_EQ(schemes.registered[0].scheme, u"lumora");
  EXPECT_EQ(schemes.registered[0].description, u"Lumora");
  EXPECT_EQ(schemes.registered[0].command, u"\"C:\\Apps\\Kestrova\\Lumora.exe\" \"%1\"");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"THANK YOU - REGISTRY UPDATED?");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::kInformation);
  EXPECT_EQ(boxes.shown[0].text,
            u"If you answered 'YES' then the next time you open Internet Explorer, simply "
            u"HIGHLIGHT some text on a Web Page, press the RIGHT MOUSE BUTTON and select:\n\n"
            u"Lumora - and follow the instructions!\n\n"
            u"Please note: This Fun Application for Twitter is absolutely FREE.");
  EXPECT_EQ(boxes.shown[0].beepedFirst, false);
}

TEST_F(SetupLumoraTest, WaitSleepsBetweenEventsForFiveSecondsAcrossMidnight) {
  Form().Form_Load();
  // Three seconds before a day's end, counted in milliseconds since some earlier midnight.
  const std::uint64_t start = 3 * 86'400'000ull - 3'000;
  clock.now = start;
  std::vector<std::uint64_t> handledAt;
  events.Schedule(start + 1'000, [&] { handledAt.push_back(clock.now); });
  events.Schedule(start + 4'200, [&] { handledAt.push_back(clock.now); });
  std::uint64_t shownAt = 0;
  boxes.onShow = [&](const platform::fake::ShownBox&) { shownAt = clock.now; };

  EXPECT_TRUE(Press());

  EXPECT_EQ(handledAt, (std::vector<std::uint64_t>{start + 1'000, start + 4'200}));
  EXPECT_EQ(shownAt, start + 5'000);
  // Each sleep asks for the whole remaining time; only the two events cut it short.
  EXPECT_EQ(events.waits, (std::vector<std::uint32_t>{5'000, 4'000, 800}));
}

TEST_F(SetupLumoraTest, ALinkSchemeThatCannotBeWrittenStopsNothing) {
  Form().Form_Load();
  schemes.commands[u"lumora"] = u"\"D:\\Stick\\Lumora.exe\" \"%1\"";
  schemes.registerFailure = platform::Failure(5, u"Access is denied.");
  EXPECT_TRUE(Press());
  EXPECT_EQ(process.started.size(), 1u);
  EXPECT_EQ(boxes.shown.at(0).title, u"THANK YOU - REGISTRY UPDATED?");
}

TEST_F(SetupLumoraTest, EditorThatCannotStartEndsTheHandlerWithoutWaitOrMessage) {
  Form().Form_Load();
  process.startFailure = platform::Failure(2, u"File not found");
  EXPECT_THROW(button.Click(), platform::Failure);
  EXPECT_TRUE(events.waits.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(process.ends, 0);
}

TEST_F(SetupLumoraTest, QueuedSecondClickDuringTheWaitDoesNothing) {
  Form().Form_Load();
  events.Schedule(1'000, [&] { button.Click(); });
  EXPECT_TRUE(Press());
  EXPECT_EQ(process.started.size(), 1u);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace installer
