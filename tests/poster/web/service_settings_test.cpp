#include "poster/web/service_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_settings.h"
#include "poster/web/service_addresses.h"

namespace poster::web {
namespace {

using Field = ServiceSettingsProblem::Field;

TEST(ServiceSettings, TheDialogShowsWhatIsStoredAndNothingForWhatCannotBeRead) {
  platform::fake::FakeSettings settings;
  EXPECT_EQ(ReadServiceSettings(settings), ServiceSettingsValues{});
  settings.values = {{u"StatusProtocol", u"MASTODON"},
                     {u"StatusAddress", u" https://social.example "},
                     {u"StatusName", u"Social"}};
  settings.failing.emplace(u"SightlinkAddress", platform::Failure(1630, u"No text."));
  EXPECT_EQ(ReadServiceSettings(settings),
            (ServiceSettingsValues{u"mastodon", u"https://social.example", u"Social", u""}));
  settings.values[u"StatusProtocol"] = u" BlueSky";
  EXPECT_EQ(ReadServiceSettings(settings).protocol, u"bluesky");
  settings.values[u"StatusProtocol"] = u"gopher";
  EXPECT_EQ(ReadServiceSettings(settings).protocol, u"");
}

TEST(ServiceSettings, ValuesAreCheckedByTheProgramsOwnRules) {
  EXPECT_FALSE(CheckServiceSettings({}).has_value());
  EXPECT_FALSE(CheckServiceSettings({u"mastodon", u"https://social.example/pre", u"",
                                     u"https://is.gd/create.php?format=simple&url={url}"})
                   .has_value());

  EXPECT_FALSE(CheckServiceSettings({u"bluesky", u"", u"", u""}).has_value()) << "the entryway";
  const auto plainPds = CheckServiceSettings({u"bluesky", u"http://pds.example", u"", u""});
  ASSERT_TRUE(plainPds.has_value());
  EXPECT_EQ(plainPds->text,
            u"A Bluesky server's address begins with https://, such as https://bsky.social.");

  const auto noServer = CheckServiceSettings({u"mastodon", u"  ", u"", u""});
  ASSERT_TRUE(noServer.has_value());
  EXPECT_EQ(noServer->field, Field::kStatusAddress);

  const auto badStatus = CheckServiceSettings({u"", u"social.example", u"", u""});
  ASSERT_TRUE(badStatus.has_value());
  EXPECT_EQ(badStatus->field, Field::kStatusAddress);
  EXPECT_EQ(badStatus->text,
            u"The status address \"social.example\" is not an http:// or https:// address. It may "
            u"have a port and a path, but no ?, #, spaces or user name.");

  // A Mastodon-compatible server's token never goes in clear; the classic service may.
  EXPECT_FALSE(CheckServiceSettings({u"", u"http://friendica.example/api", u"", u""}));
  const auto plain = CheckServiceSettings({u"mastodon", u" HTTP://social.example ", u"", u""});
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->field, Field::kStatusAddress);
  EXPECT_EQ(plain->text, u"The status address box holds \"HTTP://social.example\"" +
                             std::u16string(kHttpsOnlyRule));

  for (const char16_t* link : {u"https://is.gd/create.php?url=x", u"https://is.gd/{url}#x"}) {
    const auto badLink = CheckServiceSettings({u"", u"", u"", link});
    ASSERT_TRUE(badLink.has_value());
    EXPECT_EQ(badLink->field, Field::kSightlinkAddress);
  }
}

TEST(ServiceSettings, OkWritesEveryValueAndDeletesTheEmptyOnes) {
  platform::fake::FakeSettings settings;
  settings.values = {{u"StatusName", u"Old"}, {u"SightlinkAddress", u"http://old.example/"}};
  StoreServiceSettings(settings, {u"mastodon", u" https://social.example ", u"Social", u"  "});
  EXPECT_EQ(settings.values,
            (std::map<std::u16string, std::u16string>{{u"StatusProtocol", u"mastodon"},
                                                      {u"StatusAddress", u"https://social.example"},
                                                      {u"StatusName", u"Social"}}));
  EXPECT_EQ(settings.writes, (std::vector<std::u16string>{u"StatusProtocol", u"StatusAddress",
                                                          u"StatusName", u"SightlinkAddress"}));
  StoreServiceSettings(settings, {});
  EXPECT_TRUE(settings.values.empty());
}

}  // namespace
}  // namespace poster::web
