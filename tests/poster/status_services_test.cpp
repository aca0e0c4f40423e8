#include "poster/status_services.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/common/failure.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_http.h"
#include "platform/fake/fake_random.h"
#include "platform/fake/fake_secret_store.h"
#include "platform/fake/fake_settings.h"

namespace poster {
namespace {

TEST(StatusServices, TheProtocolSettingChoosesMastodonInAnyCaseOrTheClassicService) {
  platform::fake::FakeSettings settings;
  platform::fake::FakeHttpClient http;
  platform::fake::FakeRandom random;
  RunSeed seed(random);
  web::ServiceAddresses addresses = web::ServiceAddresses::BuiltIn();
  addresses.status.address = u"https://social.example";
  platform::fake::FakeClock clock;
  platform::fake::FakeEnvironment environment;
  platform::fake::FakeSecretStore secrets;
  const auto chosen = [&] {
    return StatusServiceFor(settings, addresses, http, seed, clock, environment, secrets);
  };
  EXPECT_FALSE(chosen()->Words()) << "classic";
  settings.values[u"StatusProtocol"] = u"  ";
  EXPECT_FALSE(chosen()->Words());
  EXPECT_EQ(chosen()->SettingsProblem(), u"");
  settings.values[u"StatusProtocol"] = u" MastoDon ";
  EXPECT_EQ(chosen()->Words().value_or(WindowWords{}).sendButton, u"SEND YOUR POST");

  settings.values[u"StatusProtocol"] = u"Bluesky";
  EXPECT_EQ(chosen()->Words().value_or(WindowWords{}).passwordLabel, u"Your App Password");
  addresses.status.address = u"http://pds.example";
  EXPECT_NE(chosen()->SettingsProblem().find(u"is \"http://pds.example\", and a Bluesky server's "
                                             u"address begins with https://"),
            std::u16string::npos)
      << "the tokens never go in the clear";
  addresses.status.address = u"https://social.example";

  settings.values[u"StatusProtocol"] = u"Twitter";
  EXPECT_FALSE(chosen()->Words());
  EXPECT_EQ(chosen()->SettingsProblem(),
            u"The setting StatusProtocol in HKEY_CURRENT_USER\\Software\\Kestrova\\Lumora is "
            u"\"Twitter\", which is not a protocol Lumora knows.\n\nNothing was sent. Set it to "
            u"mastodon for a Mastodon-compatible server, or delete it to use the built-in "
            u"protocol.");

  settings.failing.emplace(u"StatusProtocol", platform::Failure(13, u"The data is invalid."));
  EXPECT_NE(chosen()->SettingsProblem().find(u"could not be read: The data is invalid."),
            std::u16string::npos);
}

}  // namespace
}  // namespace poster
