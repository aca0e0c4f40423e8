#include "poster/secret_owner.h"

#include <string>
#include <utility>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

constexpr char16_t kServer[] = u"https://social.example";
constexpr char16_t kOwner[] = u"mastodon https://social.example:443/";
constexpr char16_t kClassic[] = u"http://status.example/statuses/update.xml";

class SecretOwnership : public LumoraTest {
 protected:
  // A run that starts with `pw` in PW.DAT and the settings as they are; what the box shows.
  std::u16string Start(const std::string& pw) {
    NewRun();
    files.files[std::u16string(kFolder) + u"PW.DAT"] = pw + "\r\n";
    clipboard.text = u"hello";
    EXPECT_TRUE(Load());
    return password.Text();
  }
  void Mastodon(const std::u16string& address) {
    settings.values[u"StatusProtocol"] = u"mastodon";
    settings.values[u"StatusAddress"] = addresses.status.address = address;
  }
  std::u16string Recorded() { return settings.values[u"SecretServer"]; }
  bool Choose(const platform::ServiceDialogValues& values) {
    serviceDialog.presses.push_back(values);
    return window.ChooseSystemMenuItem(u"Service s&ettings\u2026");
  }
};

TEST_F(SecretOwnership, ASecretWithoutARecordIsAdoptedForTheServerSetNow) {
  EXPECT_EQ(Start(""), u"");
  EXPECT_TRUE(settings.values.empty()) << "no secret, nothing recorded";
  EXPECT_EQ(Start("pw"), u"pw");
  EXPECT_EQ(Recorded(), u"classic") << "the built-in server";
  // A token pasted before servers were recorded keeps working.
  settings.values.erase(u"SecretServer");
  Mastodon(kServer);
  EXPECT_EQ(Start("tok"), u"tok");
  EXPECT_EQ(Recorded(), kOwner);
  EXPECT_EQ(Start("tok"), u"tok");
}

TEST_F(SecretOwnership, AfterTheRegistryNamesAnotherServerTheSecretIsNeitherShownNorSent) {
  settings.values[u"SecretServer"] = kOwner;
  // Another host or port is another server; another path on the same origin is not.
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"https://other.example", u""},
      {u"http://social.example:443", u""},
      {u"https://SOCIAL.example:443/other/path", u"tok"}};
  for (const auto& [address, shown] : cases) {
    Mastodon(address);
    EXPECT_EQ(Start("tok"), shown);
    EXPECT_EQ(File(u"PW.DAT"), "tok\r\n") << "kept for its own server";
  }
  // The protocol is part of the owner: the classic service at the same address gets nothing.
  settings.values.erase(u"StatusProtocol");
  EXPECT_EQ(Start("tok"), u"");

  // A new secret typed for the new server is stored and recorded for it.
  Mastodon(u"https://other.example");
  EXPECT_EQ(Start("tok"), u"");
  password.SetText(u"new");
  http.scripts.push_back({u"{}", {}, {}, 500});
  EXPECT_TRUE(Run([this] { sendButton.Click(); }));
  EXPECT_EQ(File(u"PW.DAT"), "new\r\n");
  EXPECT_EQ(Recorded(), u"mastodon https://other.example:443/");
  EXPECT_EQ(Start("new"), u"new");
}

TEST_F(SecretOwnership, TheDialogEmptiesThePasswordBoxWhenTheServerChanges) {
  settings.values[u"StatusAddress"] = kClassic;
  EXPECT_EQ(Start("classic pw"), u"classic pw");
  EXPECT_EQ(Recorded(), u"classic http://status.example:80/");
  ASSERT_TRUE(Choose({u"", kClassic, u"A new name", u""}));
  EXPECT_EQ(password.Text(), u"classic pw") << "the same server";
  ASSERT_TRUE(Choose({u"mastodon", kServer, u"", u""}));
  EXPECT_EQ(password.Text(), u"");
  EXPECT_EQ(File(u"PW.DAT"), "classic pw\r\n");

  // What is typed now belongs to the new server; going back empties it again.
  password.SetText(u"tok");
  ASSERT_TRUE(Choose({u"mastodon", kServer, u"Social", u""}));
  EXPECT_EQ(password.Text(), u"tok");
  ASSERT_TRUE(Choose({u"", kClassic, u"", u""}));
  EXPECT_EQ(password.Text(), u"");
}

}  // namespace
}  // namespace poster::testing
