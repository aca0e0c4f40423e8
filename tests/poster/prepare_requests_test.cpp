#include <string>
#include <vector>

#include "tests/poster/lumora_fixture.h"

namespace poster::testing {
namespace {

using Urls = std::vector<std::u16string>;

class PrepareRequests : public LumoraTest {};

TEST_F(PrepareRequests, StartsAwayFromTheWindowOnceTheStatusIsFilled) {
  clipboard.text = u"some status";
  ASSERT_TRUE(Load());
  EXPECT_EQ(background.Waiting(), 0u) << "nothing before the window shows";
  ASSERT_TRUE(Run([this] { timer.Elapse(); }));
  EXPECT_EQ(tweet.Text(), u"some status");
  ASSERT_EQ(background.Waiting(), 1u);
  EXPECT_TRUE(http.prepared.empty()) << "the window's thread only hands it over";

  background.RunAll();
  EXPECT_EQ(http.prepared,
            (std::vector<Urls>{{addresses.status.address, addresses.sightlink.address}}));
  EXPECT_TRUE(http.calls.empty()) << "preparing sends nothing";
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrepareRequests, AnAddressThatCannotBeUsedGoesEmpty) {
  addresses.sightlink = {u"", u"The value SightlinkAddress is not a web address."};
  clipboard.text = u"x";
  ASSERT_TRUE(Load());
  ASSERT_TRUE(Run([this] { timer.Elapse(); }));
  background.RunAll();
  EXPECT_EQ(http.prepared, (std::vector<Urls>{{addresses.status.address, u""}}));
}

TEST_F(PrepareRequests, AlsoWhenALinkFilledTheBoxes) {
  process.startedWith = u"Lumora.exe \"lumora:post?text=hi\"";
  ASSERT_TRUE(Load());
  ASSERT_TRUE(Run([this] { timer.Elapse(); }));
  EXPECT_EQ(tweet.Text(), u"hi");
  EXPECT_EQ(background.Waiting(), 1u);
}

TEST_F(PrepareRequests, AgainForTheAddressesTheSettingsDialogStoredOnceTheWindowShows) {
  clipboard.text = u"x";
  ASSERT_TRUE(Load());
  serviceDialog.presses.push_back(platform::ServiceDialogValues{u"", u"", u"", u""});
  ASSERT_TRUE(window.ChooseSystemMenuItem(u"Service s&ettings\u2026"));
  EXPECT_EQ(background.Waiting(), 0u) << "not before the status is filled";
  ASSERT_TRUE(Run([this] { timer.Elapse(); }));
  background.RunAll();
  serviceDialog.presses.push_back(platform::ServiceDialogValues{
      u"", u"https://friendica.example/api/statuses/update.xml", u"", u""});
  ASSERT_TRUE(window.ChooseSystemMenuItem(u"Service s&ettings\u2026"));
  background.RunAll();
  ASSERT_EQ(http.prepared.size(), 2u);
  EXPECT_EQ(http.prepared[1], (Urls{u"https://friendica.example/api/statuses/update.xml",
                                    web::ServiceAddresses::BuiltIn().sightlink.address}));
}

TEST_F(PrepareRequests, NotWhenNothingToPostEndsTheProgram) {
  clipboard.text = u"   ";
  ASSERT_TRUE(Load());
  EXPECT_FALSE(Run([this] { timer.Elapse(); }));
  EXPECT_EQ(background.Waiting(), 0u);
}

}  // namespace
}  // namespace poster::testing
