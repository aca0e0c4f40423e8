#include "platform/failure.h"
#include "poster/lumora_main.h"
#include "poster/text_rules.h"
#include "poster/web/form_encoding.h"
#include "poster/web/reply_rules.h"

namespace poster {

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
  const std::u16string address = addresses_.status.address + u"?status=" + web::FormEncode(status);
  s_.mousePointer.Set(platform::Pointer::kHourglass);
  std::u16string response;
  try {
    response = CredentialPostURLSource(address, userName, password);
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
  const std::pair<const char16_t*, platform::TextBox*> stores[] = {{u"UN.DAT", &c_.yourUserName},
                                                                   {u"PW.DAT", &c_.yourPassword}};
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

}  // namespace poster
