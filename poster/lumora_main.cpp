#include "poster/lumora_main.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "kestrova/kestrova_folder.h"
#include "platform/common/failure.h"
#include "poster/lumora_design.h"
#include "poster/text_rules.h"
#include "poster/web/form_post.h"
#include "poster/web/link_shortening.h"
#include "poster/web/reply_rules.h"
#include "poster/web/service_settings.h"
#include "poster/web/status_update.h"

namespace poster {

using kestrova::kPasswordFile;
using kestrova::kUserNameFile;

LumoraControls LumoraControls::From(platform::Form& form) {
  using Id = LumoraControl;
  return {form.Self(),
          form.TextBoxOf(Id::kYourUserName),
          form.TextBoxOf(Id::kYourPassword),
          form.TextBoxOf(Id::kTheLongURL),
          form.TextBoxOf(Id::kYourTweet),
          form.LabelOf(Id::kLLEN),
          form.ButtonOf(Id::kSendTweetButton),
          form.ButtonOf(Id::kCreateTinyURLButton),
          form.TimerOf(Id::kTimer1)};
}

LumoraMain::LumoraMain(LumoraControls controls, LumoraServices services,
                       web::ServiceAddresses addresses)
    : c_(controls), s_(services), addresses_(std::move(addresses)) {
  c_.timer1.SetOnTick([this] { Timer1_Timer(); });
  c_.yourTweet.SetOnChange([this] { YourTweet_Change(); });
  c_.sendTweetButton.SetOnClick([this] { SendTweetButton_Click(); });
  c_.createTinyUrlButton.SetOnClick([this] { CreateTinyURLButton_Click(); });
  c_.form.SetSystemMenuItem(kServiceSettingsMenuItem, [this] { ServiceSettings_Click(); });
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
  std::u16string programFiles = s_.environment.Variable(kestrova::kProgramFilesVariable);
  // Where the installer puts the program when the variable is missing; a folder at the drive's
  // root would let other users read the stored password. A failure here is reported as any
  // error of the load handler.
  if (programFiles.empty()) programFiles = s_.environment.ProgramFilesFolder();
  dataFolder_ = kestrova::DataFolderFor(programFiles);
  s_.environment.CreateFolder(dataFolder_);  // an existing or uncreatable folder is no error here
}

std::u16string LumoraMain::ReadCredential(const char16_t* fileName) {
  const auto line = s_.textFiles.ReadFirstLine(dataFolder_ + fileName);
  return line ? s_.ansi.FromAnsi(*line) : std::u16string();
}

void LumoraMain::Timer1_Timer() {
  c_.timer1.SetEnabled(false);
  if (link_) {
    ShowLink();
  } else {
    const std::u16string text = IntakeText(s_.clipboard.ReadText());
    if (text.empty()) s_.process.EndProgram();
    try {
      c_.yourTweet.SetText(text);
    } catch (const std::exception&) {
      // The intake skips a step that fails; the counter then keeps its caption.
    }
  }
  PrepareRequests();
}

void LumoraMain::PrepareRequests() {
  // An address that cannot be used is empty, and skipped there.
  s_.background.Run(
      [&http = s_.http, status = addresses_.status.address,
       sightlink = addresses_.sightlink.address] {
        http.Prepare({status, sightlink});
      },
      nullptr);
}

void LumoraMain::YourTweet_Change() {
  const CounterLook look = CounterFor(c_.yourTweet.Text().size());
  c_.llen.SetCaption(look.caption);
  c_.llen.SetForeColor(look.color);
}

void LumoraMain::Warn(const std::u16string& text, const std::u16string& title) {
  s_.messageBoxes.Show(text, title, platform::MessageIcon::kWarning);
}

void LumoraMain::SendTweetButton_Click() {
  if (!StoreCredentials()) return;
  const std::u16string userName = TrimSpaces(c_.yourUserName.Text());
  const std::u16string password = TrimSpaces(c_.yourPassword.Text());
  const std::u16string status = TrimSpaces(c_.yourTweet.Text());
  if (!InputIsComplete(userName, password, status)) return;

  if (!addresses_.status.problem.empty()) {
    Warn(addresses_.status.problem);
    return;
  }

  c_.sendTweetButton.SetEnabled(false);
  s_.mousePointer.Set(platform::Pointer::kHourglass);
  std::u16string response;
  try {
    response = web::PostStatus(s_.http, addresses_.status.address, status, {userName, password});
  } catch (const platform::Failure& failure) {
    s_.mousePointer.Set(platform::Pointer::kDefault);
    c_.sendTweetButton.SetEnabled(true);
    Warn(u"Your Tweet could not be sent: " + failure.Description() +
         u"\n\nNothing was posted. Your text is still here, so you can try again.");
    return;
  }
  s_.mousePointer.Set(platform::Pointer::kDefault);

  if (web::IsSuccessReply(response)) {
    s_.messageBoxes.Show(u"Your Tweet was sent successfully to all of your followers!",
                         u"Congratulations!", platform::MessageIcon::kInformation);
  } else {
    Warn(u"The Tweet failed. " + addresses_.statusName + u" advises:\n\n" +
         web::ReplyExcerpt(response));
  }
  s_.process.EndProgram();
}

bool LumoraMain::StoreCredentials() {
  const std::pair<const char16_t*, platform::TextBox*> stores[] = {
      {kUserNameFile, &c_.yourUserName}, {kPasswordFile, &c_.yourPassword}};
  for (const auto& [fileName, box] : stores) {
    const std::u16string path = dataFolder_ + fileName;
    try {
      s_.textFiles.WriteLines(path, {s_.ansi.ToAnsi(TrimSpaces(box->Text()))});
    } catch (const platform::Failure& failure) {
      Warn(u"Your user name and password could not be saved in " + path + u": " +
           failure.Description() + u"\n\nNothing was sent. Your text is still here.");
      return false;
    }
  }
  return true;
}

bool LumoraMain::InputIsComplete(const std::u16string& userName, const std::u16string& password,
                                 const std::u16string& status) {
  const auto refuse = [this](const std::u16string& text, const std::u16string& title) {
    s_.messageBoxes.Beep();
    Warn(text, title);
    return false;
  };
  if (userName.empty())
    return refuse(u"Sorry, you need to enter your Twitter Username.", u"Whoops!");
  if (password.empty())
    return refuse(u"Sorry, you need to enter your Twitter Password.", u"Whoops!");
  if (status.empty()) {
    return refuse(u"Sorry, a Tweet may be between 1 and 140 characters in length.", u"Whoops!");
  }
  if (status.size() > kMaxStatusLength) {
    return refuse(u"Please adjust the text in your Tweet so that it is within 140 characters.",
                  u"Your Tweet exceeds the maximum length allowed by Twitter");
  }
  return true;
}

void LumoraMain::CreateTinyURLButton_Click() {
  std::u16string longAddress = TrimSpaces(c_.theLongUrl.Text());
  if (longAddress.size() < web::kShortestLongAddress) {
    Warn(u"Please paste a website address (URL) into the box!");
    return;
  }
  longAddress = web::WithWebScheme(longAddress);
  if (!addresses_.sightlink.problem.empty()) {
    Warn(addresses_.sightlink.problem);
    return;
  }

  c_.createTinyUrlButton.SetEnabled(false);
  s_.mousePointer.Set(platform::Pointer::kHourglass);
  std::u16string response;
  try {
    response = web::RequestShortLink(s_.http, addresses_.sightlink.address, longAddress);
  } catch (const platform::Failure& failure) {
    s_.mousePointer.Set(platform::Pointer::kDefault);
    c_.createTinyUrlButton.SetEnabled(true);
    Warn(u"The short link could not be made: " + failure.Description());
    return;
  }
  const std::optional<std::u16string> shortLink =
      web::ShortLinkFrom(addresses_.sightlink.address, response);
  s_.mousePointer.Set(platform::Pointer::kDefault);
  c_.createTinyUrlButton.SetEnabled(true);

  if (shortLink) {
    c_.yourTweet.SetText(c_.yourTweet.Text() + u' ' + *shortLink);
  } else {
    Warn(u"Sorry - there's been a problem with the URL you submitted!");
  }
}

void LumoraMain::ServiceSettings_Click() {
  s_.serviceDialog.Show(web::ReadServiceSettings(s_.settings),
                        [this](const platform::ServiceDialogValues& values) {
                          return AcceptServiceSettings(values);
                        });
}

std::optional<platform::ServiceDialogPart> LumoraMain::AcceptServiceSettings(
    const platform::ServiceDialogValues& values) {
  using Part = platform::ServiceDialogPart;
  if (const auto problem = web::CheckServiceSettings(values)) {
    Warn(problem->text);
    return problem->field == web::ServiceSettingsProblem::Field::kStatusAddress
               ? Part::kStatusAddress
               : Part::kSightlinkAddress;
  }
  std::optional<Part> refused;
  try {
    web::StoreServiceSettings(s_.settings, values);
  } catch (const platform::Failure& failure) {
    Warn(u"The settings could not be saved in " + s_.settings.Location() + u": " +
         failure.Description());
    refused = Part::kOkButton;
  }
  // Also after a write that failed part way: what was stored is what applies.
  ReloadServiceSettings();
  // INTEGRATION: call ApplyStatusProtocol() here, so that the window follows the protocol just
  // stored, once LumoraMain has it.
  return refused;
}

void LumoraMain::ReloadServiceSettings() {
  addresses_ = web::ServiceAddresses::Read(s_.settings);
  PrepareRequests();
}

void LumoraMain::BuildPostData(std::vector<std::uint8_t>& BYTEARRAY,
                               const std::u16string& strPostData) const {
  if (strPostData.empty()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(strPostData.size());
  for (char16_t unit : strPostData) {
    // One code unit at a time, so n code units always give n bytes or an error.
    const std::string ansi = s_.ansi.ToAnsi(std::u16string_view(&unit, 1));
    if (ansi.size() != 1) throw std::overflow_error("character does not fit one byte");
    bytes.push_back(static_cast<std::uint8_t>(ansi[0]));
  }
  BYTEARRAY = std::move(bytes);
}

std::u16string LumoraMain::PostURLSource(const std::u16string& TheURL) {
  return PostQuery(TheURL, std::nullopt);
}

std::u16string LumoraMain::CredentialPostURLSource(const std::u16string& TheURL,
                                                   const std::u16string& UN,
                                                   const std::u16string& PS) {
  return PostQuery(TheURL, web::Credentials{UN, PS});
}

std::u16string LumoraMain::PostQuery(const std::u16string& TheURL,
                                     const std::optional<web::Credentials>& credentials) {
  const auto question = TheURL.find(u'?');
  if (question == std::u16string::npos) return {};
  std::vector<std::uint8_t> body;
  // Converted before any request object exists, so a body that does not fit sends nothing.
  BuildPostData(body, TheURL.substr(question + 1));
  return web::FormPost(s_.http, TheURL.substr(0, question), std::string(body.begin(), body.end()),
                       credentials);
}

}  // namespace poster
