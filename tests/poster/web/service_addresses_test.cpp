#include "poster/web/service_addresses.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/fake/fake_settings.h"
#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using web::ServiceAddresses;
using web::WebAddress;

constexpr char16_t kStatusBuiltIn[] = u"http://twitter.com/statuses/update.xml";
constexpr char16_t kSightlinkBuiltIn[] =
    u"http://sightlink.kestrova.com/KestrovaCreateSightlink.asp";

bool Contains(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

TEST(WebAddress, TakesHttpAndHttpsWithPortAndPathAndLowersOnlyTheScheme) {
  const std::vector<std::pair<std::u16string, std::u16string>> accepted{
      {kStatusBuiltIn, kStatusBuiltIn},
      {u"HTTPS://Status.Example.test/statuses/update.xml",
       u"https://Status.Example.test/statuses/update.xml"},
      {u"hTTp://status.example.test:8080/api/statuses/update.xml",
       u"http://status.example.test:8080/api/statuses/update.xml"},
      {u"https://127.0.0.1:65535", u"https://127.0.0.1:65535"},
      {u"http://[::1]:8080/x", u"http://[::1]:8080/x"},
      {u"http://host_name.test/a/%7Eb/c.asp", u"http://host_name.test/a/%7Eb/c.asp"},
  };
  for (const auto& [text, address] : accepted) EXPECT_EQ(WebAddress(text), address);
}

TEST(WebAddress, RefusesWhatIsNotAWholeWebAddress) {
  for (const std::u16string text : {u"twitter.com/statuses/update.xml",
                                    u"ftp://host/x",
                                    u"http:/host/x",
                                    u"http//host/x",
                                    u"http://",
                                    u"https:///x",
                                    u"http://:80/x",
                                    u"http://host:/x",
                                    u"http://host:0/x",
                                    u"http://host:65536/x",
                                    u"http://host:8o/x",
                                    u"http://user:pw@host/x",
                                    u"http://ho st/x",
                                    u"http://host/a b",
                                    u"http://host/x?status=",
                                    u"http://host/x#top",
                                    u"http://host/x\r\n",
                                    u"http://[::1/x",
                                    u"http://[]/x",
                                    u"http://[::1]x/",
                                    u"http://h\u00F6st/x",
                                    u" http://host/x"}) {
    EXPECT_EQ(WebAddress(text), std::nullopt) << std::string(text.begin(), text.end());
  }
}

class Addresses : public ::testing::Test {
 protected:
  platform::fake::FakeSettings settings;
};

TEST_F(Addresses, WithNothingSetTheBuiltInAddressesStand) {
  const ServiceAddresses read = ServiceAddresses::Read(settings);
  EXPECT_EQ(read.status.address, kStatusBuiltIn);
  EXPECT_EQ(read.statusName, u"Twitter.com");
  EXPECT_EQ(read.sightlink.address, kSightlinkBuiltIn);
  EXPECT_TRUE(read.status.problem.empty());
  EXPECT_TRUE(read.sightlink.problem.empty());
  EXPECT_EQ(settings.reads,
            (std::vector<std::u16string>{u"StatusAddress", u"SightlinkAddress", u"StatusName"}));
}

TEST_F(Addresses, EachSetValueReplacesItsBuiltInOneAndEmptyValuesDoNot) {
  settings.values = {
      {u"StatusAddress", u" HTTPS://status.example.test:8443/api/statuses/update.xml "},
      {u"StatusName", u"Example Status"},
      {u"SightlinkAddress", u"https://short.example.test/make"}};
  ServiceAddresses read = ServiceAddresses::Read(settings);
  EXPECT_EQ(read.status.address, u"https://status.example.test:8443/api/statuses/update.xml");
  EXPECT_EQ(read.statusName, u"Example Status");
  EXPECT_EQ(read.sightlink.address, u"https://short.example.test/make");

  settings.values = {{u"StatusAddress", u""}, {u"StatusName", u"   "}, {u"SightlinkAddress", u" "}};
  read = ServiceAddresses::Read(settings);
  EXPECT_EQ(read.status.address, kStatusBuiltIn);
  EXPECT_EQ(read.statusName, u"Twitter.com");
  EXPECT_EQ(read.sightlink.address, kSightlinkBuiltIn);
}

TEST_F(Addresses, AMalformedOrUnreadableValueIsAProblemThatNamesItAndWhereItIsSet) {
  settings.values = {{u"StatusAddress", u"twitter.example/statuses/update.xml"}};
  settings.failing.emplace(u"SightlinkAddress",
                           platform::Failure(1630, u"The value holds no text."));
  settings.failing.emplace(u"StatusName", platform::Failure(5, u"Access is denied."));
  const ServiceAddresses read = ServiceAddresses::Read(settings);

  EXPECT_TRUE(read.status.address.empty());
  EXPECT_TRUE(Contains(read.status.problem, u"StatusAddress"));
  EXPECT_TRUE(Contains(read.status.problem, u"\"twitter.example/statuses/update.xml\""));
  EXPECT_TRUE(Contains(read.status.problem, u"HKEY_CURRENT_USER\\Software\\Kestrova\\Lumora"));
  EXPECT_TRUE(Contains(read.status.problem, u"Nothing was sent."));

  EXPECT_TRUE(read.sightlink.address.empty());
  EXPECT_TRUE(Contains(read.sightlink.problem, u"SightlinkAddress"));
  EXPECT_TRUE(Contains(read.sightlink.problem, u"The value holds no text."));
  // A name that cannot be read only changes a message's wording: the built-in one stays.
  EXPECT_EQ(read.statusName, u"Twitter.com");
}

TEST_F(Addresses, OnlyTheShortLinkAddressMayNameASimpleApi) {
  settings.values = {{u"SightlinkAddress", u"HTTPS://is.gd/create.php?format=simple&url={url}"},
                     {u"StatusAddress", u"https://status.example.test/x?u={url}"}};
  const ServiceAddresses read = ServiceAddresses::Read(settings);
  EXPECT_EQ(read.sightlink.address, u"https://is.gd/create.php?format=simple&url={url}");
  EXPECT_TRUE(Contains(read.status.problem, u"StatusAddress"));

  EXPECT_TRUE(Contains(read.status.problem, u"but no ?, #, spaces or user name."));

  settings.values = {{u"SightlinkAddress", u"https://is.gd/create.php?url={url}#x"}};
  const std::u16string problem = ServiceAddresses::Read(settings).sightlink.problem;
  EXPECT_TRUE(Contains(problem, u"{url}#x"));
  // The rule in the words the settings dialog uses for it.
  EXPECT_TRUE(Contains(problem,
                       u"unless it holds {url}, where the long address goes; then a ? "
                       u"part is allowed.\n\nNothing was sent."));
}

// The handlers with addresses the user set.
class SetAddresses : public LumoraTest {
 protected:
  SetAddresses() {
    addresses = {{u"https://status.example.test:8443/api/statuses/update.xml", {}},
                 u"Example Status",
                 {u"https://short.example.test/make", {}}};
  }
  void Fill() {
    Main().Initiation();
    userName.SetText(u"alice");
    password.SetText(u"pw");
    tweet.SetText(u"hello");
    longUrl.SetText(u"example.com/long");
  }
};

TEST_F(SetAddresses, BothRequestsGoThereAndTheFailureNamesTheService) {
  Fill();
  http.scripts.push_back({u"https://s.test/1\t"});
  tinyUrlButton.Click();
  http.scripts.push_back({u"<error>No.</error>"});
  EXPECT_FALSE(Run([this] { sendButton.Click(); }));
  ASSERT_EQ(http.calls.size(), 2u);
  EXPECT_EQ(http.calls[0][0].args.at(1), u"https://short.example.test/make");
  EXPECT_EQ(http.calls[1][0].args.at(1),
            u"https://status.example.test:8443/api/statuses/update.xml");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            u"The Tweet failed. Example Status advises:\n\n<error>No.</error>");
}

TEST_F(SetAddresses, AProblemIsShownInsteadOfSendingAndEverythingStays) {
  addresses.status = {{}, u"status problem"};
  addresses.sightlink = {{}, u"sightlink problem"};
  Fill();
  tinyUrlButton.Click();
  EXPECT_TRUE(Run([this] { sendButton.Click(); }));
  EXPECT_TRUE(http.calls.empty());
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, u"sightlink problem");
  EXPECT_EQ(boxes.shown[1].text, u"status problem");
  for (const auto& box : boxes.shown) {
    EXPECT_EQ(box.title, u"Whoops!");
    EXPECT_EQ(box.icon, platform::MessageIcon::kWarning);
  }
  EXPECT_TRUE(sendButton.Enabled());
  EXPECT_TRUE(tinyUrlButton.Enabled());
  EXPECT_TRUE(pointer.history.empty());
  EXPECT_EQ(tweet.Text(), u"hello");
  EXPECT_EQ(longUrl.Text(), u"example.com/long");
  EXPECT_EQ(process.ends, 0);
  EXPECT_EQ(File(u"PW.DAT"), "pw\r\n") << "the credentials are stored before any check";
}

TEST_F(SetAddresses, EachButtonChecksOnlyItsOwnServicesAddress) {
  addresses.sightlink = {{}, u"sightlink problem"};
  Fill();
  http.scripts.push_back({u"<screen_name>alice</screen_name>"});
  EXPECT_FALSE(Run([this] { sendButton.Click(); }));
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(http.calls[0][0].args.at(1),
            u"https://status.example.test:8443/api/statuses/update.xml");
  EXPECT_EQ(boxes.shown.at(0).title, u"Congratulations!");
}

TEST_F(SetAddresses, TheShorteningButtonIgnoresAProblemWithTheStatusAddress) {
  addresses.status = {{}, u"status problem"};
  Fill();
  http.scripts.push_back({u"https://s.test/1\t"});
  tinyUrlButton.Click();
  ASSERT_EQ(http.calls.size(), 1u);
  EXPECT_EQ(http.calls[0][0].args.at(1), u"https://short.example.test/make");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(tweet.Text(), u"hello https://s.test/1");
}

}  // namespace
}  // namespace poster::testing
