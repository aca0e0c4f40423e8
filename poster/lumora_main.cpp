#include "poster/lumora_main.h"

#include <utility>

#include "poster/text_rules.h"

namespace poster {
namespace {

constexpr char16_t kUserNameFile[] = u"UN.DAT";
constexpr char16_t kPasswordFile[] = u"PW.DAT";

}  // namespace

LumoraControls LumoraControls::From(platform::Form& form) {
  return {form.Self(),
          form.TextBoxNamed("YourUserName"),
          form.TextBoxNamed("YourPassword"),
          form.TextBoxNamed("TheLongURL"),
          form.TextBoxNamed("YourTweet"),
          form.LabelNamed("LLEN"),
          form.ButtonNamed("SendTweetButton"),
          form.ButtonNamed("CreateTinyURLButton"),
          form.TimerNamed("Timer1")};
}

LumoraServices LumoraServices::From(platform::Services& all) {
  return {all.clipboard,   all.messageBoxes, all.mousePointer, all.textFiles, all.ansi,
          all.environment, all.process,      all.http,         all.urlSchemes};
}

LumoraMain::LumoraMain(LumoraControls controls, LumoraServices services,
                       web::ServiceAddresses addresses)
    : c_(controls), s_(services), addresses_(std::move(addresses)) {
  c_.timer1.SetOnTick([this] { Timer1_Timer(); });
  c_.yourTweet.SetOnChange([this] { YourTweet_Change(); });
  c_.sendTweetButton.SetOnClick([this] { SendTweetButton_Click(); });
  c_.createTinyUrlButton.SetOnClick([this] { CreateTinyURLButton_Click(); });
}

void LumoraMain::Form_Load() {
  if (s_.process.PreviousInstanceRunning()) {
    s_.messageBoxes.Show(u"This program is already running.", u"Whoops!",
                         platform::MessageIcon::kWarning);
    s_.process.EndProgram();
  }
  TakeStartingLink();
  RegisterLinkScheme();
  Initiation();
  s_.textFiles.AppendCreate(dataFolder_ + kUserNameFile);
  s_.textFiles.AppendCreate(dataFolder_ + kPasswordFile);
  c_.yourUserName.SetText(ReadCredential(kUserNameFile));
  c_.yourPassword.SetText(ReadCredential(kPasswordFile));
  c_.form.MakeTopmost();
  c_.timer1.SetEnabled(true);
}

void LumoraMain::Initiation() {
  std::u16string folder = s_.environment.Variable(u"ProgramFiles");
  // Where the installer puts the program when the variable is missing; a folder at the drive's
  // root would let other users read the stored password. A failure here is reported as any
  // error of the load handler.
  if (folder.empty()) folder = s_.environment.ProgramFilesFolder();
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  folder += u"Kestrova";
  s_.environment.CreateFolder(folder);  // an existing or uncreatable folder is no error here
  dataFolder_ = folder + u'\\';
}

std::u16string LumoraMain::ReadCredential(const char16_t* fileName) {
  const auto line = s_.textFiles.ReadFirstLine(dataFolder_ + fileName);
  return line ? s_.ansi.FromAnsi(*line) : std::u16string();
}

void LumoraMain::Timer1_Timer() {
  c_.timer1.SetEnabled(false);
  if (link_) return ShowLink();
  const std::u16string text = IntakeText(s_.clipboard.ReadText());
  if (text.empty()) s_.process.EndProgram();
  try {
    c_.yourTweet.SetText(text);
  } catch (const std::exception&) {
    // The intake skips a step that fails; the counter then keeps its caption.
  }
}

void LumoraMain::YourTweet_Change() {
  const CounterLook look = CounterFor(c_.yourTweet.Text().size());
  c_.llen.SetCaption(look.caption);
  c_.llen.SetForeColor(look.color);
}

void LumoraMain::Warn(const std::u16string& text, const std::u16string& title) {
  s_.messageBoxes.Show(text, title, platform::MessageIcon::kWarning);
}

}  // namespace poster
