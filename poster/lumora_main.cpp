#include "poster/lumora_main.h"

#include <exception>
#include <utility>

#include "kestrova/kestrova_folder.h"
#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/lumora_design.h"
#include "poster/short_link/link_shortening.h"
#include "poster/sign_in/sign_in_account.h"
#include "poster/status_services.h"
#include "poster/text_rules.h"
#include "poster/web/service_settings.h"

namespace poster {

LumoraControls LumoraControls::From(platform::Form& form) {
  using Id = LumoraControl;
  return {form.Self(),
          form.TextBoxOf(Id::kYourUserName),
          form.TextBoxOf(Id::kYourPassword),
          form.TextBoxOf(Id::kTheLongURL),
          form.TextBoxOf(Id::kYourTweet),
          form.LabelOf(Id::kLLEN),
          form.LabelOf(Id::kLabel1),
          form.LabelOf(Id::kLabel2),
          form.LabelOf(Id::kLabel4),
          form.ButtonOf(Id::kSendTweetButton),
          form.ButtonOf(Id::kCreateTinyURLButton),
          form.TimerOf(Id::kTimer1)};
}

LumoraMain::LumoraMain(LumoraControls controls, LumoraServices services,
                       web::ServiceAddresses addresses)
    : c_(controls),
      s_(services),
      addresses_(std::move(addresses)),
      draft_(c_.yourTweet),
      credentials_(s_.textFiles, s_.ansi, dataFolder_),
      secretOwner_(s_.settings),
      runSeed_(s_.random) {
  service_ = StatusServiceFor(s_.settings, addresses_, s_.http, runSeed_, s_.clock, s_.environment,
                              s_.signIn.secrets);
  c_.timer1.SetOnTick(Calling(&LumoraMain::Timer1_Timer));
  c_.yourTweet.SetOnChange(Calling(&LumoraMain::YourTweet_Change));
  c_.sendTweetButton.SetOnClick(Calling(&LumoraMain::SendTweetButton_Click));
  c_.createTinyUrlButton.SetOnClick(Calling(&LumoraMain::CreateTinyURLButton_Click));
  c_.form.SetSystemMenuItem(kServiceSettingsMenuItem, Calling(&LumoraMain::ServiceSettings_Click));
}

platform::Handler LumoraMain::Calling(void (LumoraMain::*handler)()) {
  // One closure type for every handler: the program carries one copy of its std::function
  // plumbing rather than one per handler.
  return [this, handler] { (this->*handler)(); };
}

void LumoraMain::Form_Load() {
  if (s_.process.PreviousInstanceRunning()) {
    Warn(u"This program is already running.");
    s_.process.EndProgram();
  }
  TakeStartingLink();
  Initiation();
  RegisterLinkScheme();
  credentials_.Open();
  c_.yourUserName.SetText(credentials_.UserName());
  // A secret made for another server stays in its file but is never shown, so never sent.
  const std::u16string secret = credentials_.Password();
  c_.yourPassword.SetText(secretOwner_.MayShow(!secret.empty()) ? secret : u"");
  ShowSignedIn();
  ApplyStatusProtocol();
  c_.form.MakeTopmost();
  c_.timer1.SetEnabled(true);
}

void LumoraMain::Initiation() {
  std::u16string programFiles = s_.environment.Variable(kestrova::kProgramFilesVariable);
  // Where the installer puts the program when the variable is missing; a folder at the drive's
  // root would let other users read the stored password. A failure here is reported as any
  // error of the load handler.
  if (programFiles.empty()) programFiles = s_.environment.ProgramFilesFolder();
  dataFolder_ = kestrova::DataFolderFor(programFiles);
  s_.environment.CreateFolder(dataFolder_);  // an existing or uncreatable folder is no error here
}

void LumoraMain::ApplyStatusProtocol() {
  retired_.push_back(std::move(service_));
  service_ = StatusServiceFor(s_.settings, addresses_, s_.http, runSeed_, s_.clock, s_.environment,
                              s_.signIn.secrets);
  const std::optional<WindowWords>& words = service_->Words();
  // A service without words of its own leaves the window exactly as designed.
  if (std::exchange(ownWords_, words.has_value()) || words) {
    ShowWords(words.value_or(WindowWords{kUserNameCaption, kPasswordCaption, kSendButtonCaption,
                                         kShortLinkNoteCaption, kYourTweetMaxLength}));
    if (!c_.yourTweet.Text().empty()) YourTweet_Change();
  }
  if (shown_) LearnLimits();
}

void LumoraMain::ShowWords(const WindowWords& words) {
  c_.label1.SetCaption(words.userNameLabel);
  c_.label2.SetCaption(words.passwordLabel);
  c_.label4.SetCaption(words.shortLinkNote);
  c_.sendTweetButton.SetCaption(words.sendButton);
  c_.yourTweet.SetMaxLength(words.statusMaxLength);
}

void LumoraMain::Timer1_Timer() {
  c_.timer1.SetEnabled(false);
  shown_ = true;
  const bool settingsLink = link_ && link_->settings;
  if (settingsLink) {
    // The clipboard is not the link's to take: the window opens empty under the dialog.
  } else if (link_) {
    ShowLink();
  } else {
    TakeClipboard();
  }
  // After the status is in: the question to the server never holds up the text.
  LearnLimits();
  PrepareRequests();
  // Only the dialog opens; nothing changes until its OK.
  if (settingsLink) ServiceSettings_Click();
}

void LumoraMain::TakeClipboard() {
  std::u16string raw = s_.clipboard.ReadText();
  std::u16string text = service_->Intake(raw, false);
  if (text.empty()) s_.process.EndProgram();
  try {
    draft_.Show(std::move(raw), std::move(text), false);
  } catch (const std::exception&) {
    // The intake skips a step that fails; the counter then keeps its caption.
  }
}

void LumoraMain::LearnLimits() {
  service_->LearnLimits(s_.background, [this, asking = service_.get()] {
    if (asking != service_.get()) return;  // the settings changed meanwhile
    // The intake was cut to the limits known then; the server's own may cut it otherwise.
    if (!draft_.CutAgain(*service_) && !c_.yourTweet.Text().empty()) YourTweet_Change();
  });
}

void LumoraMain::PrepareRequests() {
  // An address that cannot be used is empty, and skipped there.
  s_.background.Run(
      [&http = s_.http, status = service_->PreparedAddress(),
       sightlink = addresses_.sightlink.address] {
        http.Prepare({status, sightlink});
      },
      nullptr);
}

void LumoraMain::YourTweet_Change() {
  const CounterLook look = service_->Counter(c_.yourTweet.Text());
  c_.llen.SetCaption(look.caption);
  c_.llen.SetForeColor(look.color);
}

void LumoraMain::Warn(std::u16string_view text, std::u16string_view title) {
  s_.messageBoxes.Show(std::u16string(text), std::u16string(title),
                       platform::MessageIcon::kWarning);
}

void LumoraMain::Busy(platform::Button& button, bool busy) {
  if (busy) button.SetEnabled(false);
  s_.mousePointer.Set(busy ? platform::Pointer::kHourglass : platform::Pointer::kDefault);
  if (!busy) button.SetEnabled(true);
}

PostInput LumoraMain::Entered() const {
  PostInput input{TrimSpaces(c_.yourUserName.Text()), TrimSpaces(c_.yourPassword.Text()),
                  TrimSpaces(c_.yourTweet.Text()), TrimSpaces(c_.theLongUrl.Text())};
  // The link's title names its own page only.
  if (link_ && link_->url == input.pageAddress) input.pageTitle = link_->title;
  return input;
}

void LumoraMain::SendTweetButton_Click() {
  // Signed in, the boxes show the account: nothing of theirs goes to UN.DAT or PW.DAT. A service
  // that keeps no password (an app password) leaves PW.DAT as it was.
  const std::optional<WindowWords>& words = service_->Words();
  const bool keepsPassword = !signedIn_ && (!words || words->keepsPassword);
  const std::u16string password = keepsPassword ? c_.yourPassword.Text() : credentials_.Password();
  const auto unsaved =
      signedIn_ ? std::nullopt : credentials_.Store(c_.yourUserName.Text(), password);
  if (unsaved) return Warn(*unsaved);
  PostInput input = Entered();
  if (signedIn_) {
    input.password.assign(signedIn_->secret.begin(), signedIn_->secret.end());
  } else if (keepsPassword && !input.password.empty()) {
    secretOwner_.Bind();
  }
  if (const std::optional<Notice> refusal = service_->Refusal(input)) {
    s_.messageBoxes.Beep();
    return Warn(refusal->text, refusal->title);
  }
  if (const std::u16string problem = service_->SettingsProblem(); !problem.empty()) {
    return Warn(problem);
  }
  const std::optional<Notice> question = service_->Question(input);
  if (question && !s_.messageBoxes.Ask(question->text, question->title)) return;
  Busy(c_.sendTweetButton, true);
  SendOutcome outcome;
  try {
    outcome = service_->Send(input);
  } catch (const platform::Failure& failure) {
    outcome = service_->Unsent(input, failure);
  }
  ShowOutcome(outcome);
}

void LumoraMain::ShowOutcome(const SendOutcome& outcome) {
  if (outcome.ends) {
    s_.mousePointer.Set(platform::Pointer::kDefault);
  } else {
    Busy(c_.sendTweetButton, false);  // the window stays, to change and send again
  }
  s_.messageBoxes.Show(
      outcome.box.text, outcome.box.title,
      outcome.posted ? platform::MessageIcon::kInformation : platform::MessageIcon::kWarning);
  if (outcome.ends) s_.process.EndProgram();
}

void LumoraMain::CreateTinyURLButton_Click() {
  const std::u16string longAddress = TrimSpaces(c_.theLongUrl.Text());
  if (longAddress.size() < web::kShortestLongAddress) {
    return Warn(u"Please paste a website address (URL) into the box!");
  }
  const web::ServiceAddress& shortener = addresses_.sightlink;
  if (!shortener.problem.empty()) return Warn(shortener.problem);

  Busy(c_.createTinyUrlButton, true);
  std::optional<std::u16string> shortLink;
  try {
    shortLink = web::ShortLinkFrom(
        shortener.address,
        web::RequestShortLink(s_.http, shortener.address, web::WithWebScheme(longAddress)));
  } catch (const platform::Failure& failure) {
    Busy(c_.createTinyUrlButton, false);
    return Warn(platform::Joined({u"The short link could not be made: ", failure.Description()}));
  }
  Busy(c_.createTinyUrlButton, false);
  if (!shortLink) return Warn(u"Sorry - there's been a problem with the URL you submitted!");
  c_.yourTweet.SetText(platform::Joined({c_.yourTweet.Text(), u" ", *shortLink}));
}

}  // namespace poster
