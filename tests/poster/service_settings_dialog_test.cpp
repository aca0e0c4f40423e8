#include <map>
#include <string>
#include <vector>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using platform::ServiceDialogPart;
using platform::ServiceDialogValues;
using Values = std::map<std::u16string, std::u16string>;

constexpr char16_t kShortener[] = u"http://short.example/create.php?format=simple&url={url}";

class ServiceSettingsDialog : public LumoraTest {
 protected:
  ServiceSettingsDialog() {
    Main();
    tweet.SetText(u"Look");
  }
  bool Choose() { return window.ChooseSystemMenuItem(u"Service s&ettings\u2026"); }
  // The address the next short link is asked from.
  std::u16string ShortLinkTarget() {
    longUrl.SetText(u"example.com/page");
    http.scripts.push_back({u"https://short.example/0"});
    tinyUrlButton.Click();
    if (http.calls.empty()) {
      ADD_FAILURE() << "no short link was asked for";
      return u"(no request)";
    }
    return http.calls.back().at(0).args.at(1);
  }
};

TEST_F(ServiceSettingsDialog, OkStoresTheValuesAndTheNextRequestUsesThemAtOnce) {
  settings.values = {{u"StatusName", u" Old name "},
                     {u"SightlinkAddress", u"http://old.example/s"},
                     {u"Unrelated", u"kept"}};
  ASSERT_TRUE(Choose());
  serviceDialog.presses.push_back(ServiceDialogValues{
      u"", u" http://friendica.example/api/statuses/update.xml ", u"", kShortener});
  ASSERT_TRUE(Choose());

  ASSERT_EQ(serviceDialog.shown.size(), 2u);
  EXPECT_EQ(serviceDialog.shown[0],
            (ServiceDialogValues{u"", u"", u"Old name", u"http://old.example/s"}));
  EXPECT_EQ(serviceDialog.answers, (std::vector<std::optional<ServiceDialogPart>>{std::nullopt}));
  EXPECT_EQ(settings.values,
            (Values{{u"StatusAddress", u"http://friendica.example/api/statuses/update.xml"},
                    {u"SightlinkAddress", kShortener},
                    {u"Unrelated", u"kept"}}));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(ShortLinkTarget(),
            u"http://short.example/create.php?format=simple&url=http%3A%2F%2Fexample.com%2Fpage");
  EXPECT_EQ(tweet.Text(), u"Look https://short.example/0");

  // Typed as Sign in takes it: stored as the address Sign in used.
  serviceDialog.presses.push_back(
      ServiceDialogValues{u"mastodon", u" @alice@Social.Example ", u"", u""});
  ASSERT_TRUE(Choose());
  EXPECT_EQ(settings.values, (Values{{u"StatusProtocol", u"mastodon"},
                                     {u"StatusAddress", u"https://social.example"},
                                     {u"Unrelated", u"kept"}}));
  EXPECT_EQ(ShortLinkTarget(), web::ServiceAddresses::BuiltIn().sightlink.address);
}

TEST_F(ServiceSettingsDialog, ARefusedValueIsNamedAndTheDialogStaysUntilCancelWhichWritesNothing) {
  settings.values = {{u"SightlinkAddress", u"http://old.example/s"}};
  Main().ReloadServiceSettings();
  serviceDialog.presses = {ServiceDialogValues{u"mastodon", u" ", u"", u""},
                           ServiceDialogValues{u"", u"", u"", u"https://is.gd/x?url=y"},
                           std::nullopt};
  ASSERT_TRUE(Choose());

  EXPECT_EQ(serviceDialog.answers,
            (std::vector<std::optional<ServiceDialogPart>>{ServiceDialogPart::kStatusAddress,
                                                           ServiceDialogPart::kSightlinkAddress}));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].title, u"Whoops!");
  EXPECT_EQ(boxes.shown[0].text,
            u"Please enter the address of your server, such as https://social.example.");
  EXPECT_NE(boxes.shown[1].text.find(u"\"https://is.gd/x?url=y\""), std::u16string::npos);
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_EQ(ShortLinkTarget(), u"http://old.example/s");
}

TEST_F(ServiceSettingsDialog, AWriteFailingAtAnyStepIsNamedAndLeavesEveryValueAsItWas) {
  const Values before{{u"StatusName", u"Old"}, {u"SightlinkAddress", u"http://old.example/s"}};
  for (const char16_t* failing :
       {u"StatusProtocol", u"StatusAddress", u"StatusName", u"SightlinkAddress"}) {
    settings.values = before;
    settings.failingWrites = {{failing, platform::Failure(5, u"Access is denied.")}};
    boxes.shown.clear();
    serviceDialog.presses = {
        ServiceDialogValues{u"mastodon", u"https://social.example", u"", kShortener}, std::nullopt};
    const std::string step(failing, failing + std::char_traits<char16_t>::length(failing));
    ASSERT_TRUE(Choose());
    ASSERT_EQ(boxes.shown.size(), 1u) << step;
    EXPECT_EQ(boxes.shown[0].text,
              u"The settings could not be saved in HKEY_CURRENT_USER\\Software\\Kestrova\\"
              u"Lumora: Access is denied.");
    EXPECT_EQ(serviceDialog.answers.back(), ServiceDialogPart::kOkButton);
    EXPECT_EQ(settings.values, before) << step << ": the mode or an address switched alone";
    EXPECT_EQ(ShortLinkTarget(), u"http://old.example/s") << step;
  }
}

}  // namespace
}  // namespace poster::testing
