#include "poster/lumora_main.h"

#include <memory>
#include <optional>
#include <utility>

#include "kestrova/kestrova_folder.h"
#include "platform/common/failure.h"
#include "platform/common/web_url.h"
#include "poster/link_intake.h"
#include "poster/lumora_design.h"
#include "poster/text_rules.h"
#include "poster/web/form_post.h"
#include "poster/web/link_shortening.h"
#include "poster/web/mastodon_client.h"
#include "poster/web/mastodon_texts.h"
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
          form.LabelOf(Id::kLabel1),
          form.LabelOf(Id::kLabel2),
          form.LabelOf(Id::kLabel4),
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
  Initiation();
  RegisterLinkScheme();
  s_.textFiles.AppendCreate(dataFolder_ + kUserNameFile);
  s_.textFiles.AppendCreate(dataFolder_ + kPasswordFile);
  c_.yourUserName.SetText(ReadCredential(kUserNameFile));
  c_.yourPassword.SetText(ReadCredential(kPasswordFile));
  ApplyStatusProtocol();
  c_.form.MakeTopmost();
  c_.timer1.SetEnabled(true);
}

void LumoraMain::ApplyStatusProtocol() {
  const web::StatusProtocolChoice choice = web::ReadStatusProtocol(s_.settings);
  protocolProblem_ = choice.problem;
  const bool wasMastodon =
      std::exchange(mastodon_, choice.protocol == web::StatusProtocol::kMastodon);
  ++fetchRound_;
  limitsWanted_ = false;
  limits_ = web::kDefaultStatusLimits;
  if (!mastodon_ && !wasMastodon) return;  // the classic window stays exactly as designed

  serviceName_ = addresses_.statusName;
  if (mastodon_) {
    // The built-in address and name are the classic service's: the server needs its own
    // address, and its host names it better than that name.
    const web::ServiceAddresses builtIn = web::ServiceAddresses::BuiltIn();
    if (addresses_.status.address == builtIn.status.address) {
      protocolProblem_ = u"The setting " + std::u16string(web::kStatusAddressSetting) + u" in " +
                         s_.settings.Location() +
                         u" is empty, and a Mastodon-compatible server needs its address there, "
                         u"such as https://social.example.\n\nNothing was sent.";
    }
    if (serviceName_ == builtIn.statusName) {
      if (const auto url = platform::ParseWebUrl(addresses_.status.address)) {
        serviceName_ = url->host;
      }
    }
  }

  const web::MastodonCaptions captions =
      mastodon_ ? web::MastodonWindowCaptions()
                : web::MastodonCaptions{kUserNameCaption, kPasswordCaption, kSendButtonCaption,
                                        kShortLinkNoteCaption};
  c_.label1.SetCaption(captions.userNameLabel);
  c_.label2.SetCaption(captions.passwordLabel);
  c_.label4.SetCaption(captions.shortLinkNote);
  c_.sendTweetButton.SetCaption(captions.sendButton);
  // Links count less than they are long: the server's counter, not the box, sets the bound.
  c_.yourTweet.SetMaxLength(mastodon_ ? 0 : kYourTweetMaxLength);
  if (!c_.yourTweet.Text().empty()) YourTweet_Change();
  if (mastodon_ && protocolProblem_.empty() && addresses_.status.problem.empty()) {
    limitsWanted_ = true;
    if (shown_) FetchLimits();
  }
}

void LumoraMain::FetchLimits() {
  limitsWanted_ = false;
  const unsigned round = fetchRound_;
  // Each fetch writes only its own answer; the completion owns it. Dropped with the program
  // when the program ends first.
  auto* fetched = new web::StatusLimits;
  s_.background.Run(
      [fetched, server = addresses_.status.address, &http = s_.http] {
        web::HttpWebExchange exchange(http);
        *fetched = web::FetchStatusLimits(exchange, server);
      },
      [this, fetched, round] {
        const std::unique_ptr<web::StatusLimits> answer(fetched);
        if (round != fetchRound_) return;
        limits_ = *answer;
        // The intake was cut to the limits known then; while the text is as it was, the
        // server's own limit cuts the source again.
        const std::u16string text = c_.yourTweet.Text();
        if (!intakeRaw_.empty() && text == intakeShown_) {
          std::u16string again = Intake(intakeRaw_, intakeFromLink_);
          if (again != text) {
            intakeShown_ = again;
            return c_.yourTweet.SetText(again);
          }
        }
        if (!text.empty()) YourTweet_Change();
      });
}

std::u16string LumoraMain::Intake(std::u16string_view raw, bool fromLink) const {
  if (fromLink) return LinkStatusText(raw, mastodon_ ? &limits_ : nullptr);
  return mastodon_ ? web::CutToLimit(TrimSpaces(raw), limits_) : IntakeText(raw);
}

void LumoraMain::ShowIntake(std::u16string raw, std::u16string text, bool fromLink) {
  intakeRaw_ = std::move(raw);
  intakeShown_ = std::move(text);
  intakeFromLink_ = fromLink;
  c_.yourTweet.SetText(intakeShown_);
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
  shown_ = true;
  if (link_) {
    ShowLink();
  } else {
    std::u16string raw = s_.clipboard.ReadText();
    std::u16string text = Intake(raw, false);
    if (text.empty()) s_.process.EndProgram();
    try {
      ShowIntake(std::move(raw), std::move(text), false);
    } catch (const std::exception&) {
      // The intake skips a step that fails; the counter then keeps its caption.
    }
  }
  // After the status is in: the question to the server never holds up the text.
  if (limitsWanted_) FetchLimits();
  PrepareRequests();
}

void LumoraMain::PrepareRequests() {
  // An address that cannot be used is empty, and skipped there.
  const std::u16string& server = addresses_.status.address;
  s_.background.Run(
      [&http = s_.http,
       status = mastodon_ && !server.empty() ? web::MastodonEndpoint(server, web::kStatusesPath)
                                             : server,
       sightlink = addresses_.sightlink.address] {
        http.Prepare({status, sightlink});
      },
      nullptr);
}

void LumoraMain::YourTweet_Change() {
  const std::u16string text = c_.yourTweet.Text();
  const CounterLook look =
      mastodon_ ? web::MastodonCounterFor(text, limits_) : CounterFor(text.size());
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
  if (mastodon_) return PostToMastodon(password, status);
  if (!InputIsComplete(userName, password, status)) return;

  for (const std::u16string* problem : {&protocolProblem_, &addresses_.status.problem}) {
    if (!problem->empty()) return Warn(*problem);
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

void LumoraMain::PostToMastodon(const std::u16string& token, const std::u16string& status) {
  const web::BoxText refusal = web::MastodonInputProblem(token, status, limits_, serviceName_);
  if (!refusal.title.empty()) {
    s_.messageBoxes.Beep();
    return Warn(refusal.text, refusal.title);
  }
  for (const std::u16string* problem : {&protocolProblem_, &addresses_.status.problem}) {
    if (!problem->empty()) return Warn(*problem);
  }
  // The same text goes with the same key, which the server takes once; another text would not.
  if (!maybeSent_.empty() && status != maybeSent_) {
    const web::BoxText question =
        web::MastodonEditedAfterMaybeSentQuestion(addresses_.status.address);
    if (!s_.messageBoxes.Ask(question.text, question.title)) return;
    maybeSent_.clear();
  }

  c_.sendTweetButton.SetEnabled(false);
  s_.mousePointer.Set(platform::Pointer::kHourglass);
  web::BoxText box;
  bool published = false;
  try {
    if (!runSeed_) {
      std::uint64_t seed = 0;
      s_.random.Fill(&seed, sizeof seed);
      runSeed_ = seed;
    }
    web::HttpWebExchange exchange(s_.http);
    const web::MastodonVerdict verdict =
        web::PostStatus(exchange, addresses_.status.address, token, status, *runSeed_);
    published = verdict.kind == web::MastodonVerdict::Kind::kPublished;
    box = web::MastodonVerdictBox(verdict, serviceName_, addresses_.status.address);
    maybeSent_.clear();
  } catch (const platform::Failure& failure) {
    if (failure.MayHaveArrived()) maybeSent_ = status;
    box = failure.MayHaveArrived()
              ? web::MastodonMaybeSentBox(failure.Description(), addresses_.status.address)
              : web::MastodonUnsentBox(failure.Description());
  }
  s_.mousePointer.Set(platform::Pointer::kDefault);
  if (published) {
    s_.messageBoxes.Show(box.text, box.title, platform::MessageIcon::kInformation);
    s_.process.EndProgram();
  }
  // A refused or unanswered post leaves the window as it was, to change and send again.
  c_.sendTweetButton.SetEnabled(true);
  Warn(box.text, box.title);
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
  ApplyStatusProtocol();
  if (shown_) PrepareRequests();
  return refused;
}

void LumoraMain::ReloadServiceSettings() {
  addresses_ = web::ServiceAddresses::Read(s_.settings);
}

void LumoraMain::BuildPostData(std::vector<std::uint8_t>& BYTEARRAY,
                               const std::u16string& strPostData) const {
  if (strPostData.empty()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(strPostData.size());
  for (char16_t unit : strPostData) {
    // One code unit at a time, so n code units always give n bytes or an error.
    const std::string ansi = s_.ansi.ToAnsi(std::u16string_view(&unit, 1));
    if (ansi.size() != 1)
      throw platform::ProgramError(platform::ProgramError::Kind::kOverflow,
                                   "character does not fit one byte");
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
