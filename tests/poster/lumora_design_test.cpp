// Lumora's window design as data: the structure the backend and the end-to-end tests rely on.
#include "poster/lumora_design.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace poster {
namespace {

using platform::ControlDesign;
using platform::ControlKind;

const ControlDesign& Find(const platform::FormDesign& form, const std::string& name) {
  for (const auto& control : form.controls) {
    if (control.name == name) return control;
  }
  throw std::out_of_range(name);
}

TEST(LumoraDesign, ControlIdsAreUniqueAndMatchTheDriversTable) {
  const auto form = LumoraDesign();
  std::set<int> ids;
  for (const auto& control : form.controls) {
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
    EXPECT_GT(control.id, 0) << control.name;
  }
  const std::vector<std::pair<std::string, int>> expected = {{"YourPassword", 101},
                                                             {"YourUserName", 102},
                                                             {"Label1", 103},
                                                             {"Picture1", 104},
                                                             {"Label2", 105},
                                                             {"Label3", 106},
                                                             {"TheLongURL", 107},
                                                             {"CreateTinyURLButton", 108},
                                                             {"Label4", 109},
                                                             {"Frame1", 110},
                                                             {"SendTweetButton", 111},
                                                             {"YourTweet", 112},
                                                             {"LLEN", 113}};
  for (const auto& [name, id] : expected) EXPECT_EQ(Find(form, name).id, id) << name;
}

TEST(LumoraDesign, FocusWalksTheSevenFocusableControlsStartingAtThePassword) {
  const auto form = LumoraDesign();
  std::vector<std::string> focusable;
  for (const auto& control : form.controls) {
    if (control.tabStop) focusable.push_back(control.name);
  }
  EXPECT_EQ(focusable,
            (std::vector<std::string>{"YourPassword", "YourUserName", "Picture1", "TheLongURL",
                                      "CreateTinyURLButton", "SendTweetButton", "YourTweet"}));
}

TEST(LumoraDesign, ContainersComeFirstAndHoldTheirControlsWhole) {
  const auto form = LumoraDesign();
  std::set<std::string> seen;
  for (const auto& control : form.controls) {
    if (control.kind != ControlKind::kTimer) {
      int width = form.clientWidth, height = form.clientHeight;
      if (!control.container.empty()) {
        ASSERT_TRUE(seen.count(control.container)) << control.name << " before its container";
        const auto& frame = Find(form, control.container);
        EXPECT_EQ(frame.kind, ControlKind::kFrame);
        width = frame.width;
        height = frame.height;
      }
      EXPECT_GE(control.left, 0) << control.name;
      EXPECT_GE(control.top, 0) << control.name;
      EXPECT_LE(control.left + control.width, width) << control.name;
      EXPECT_LE(control.top + control.height, height) << control.name;
    }
    seen.insert(control.name);
  }
  for (const char* inside : {"SendTweetButton", "YourTweet", "LLEN"}) {
    EXPECT_EQ(Find(form, inside).container, "Frame1") << inside;
  }
}

TEST(LumoraDesign, CaptionNamesTheProgramAndItsVersion) {
  const auto caption = LumoraDesign().caption;
  EXPECT_EQ(caption.rfind(u"Lumora", 0), 0u);
  const std::u16string tail = u"   Version 1.2";
  ASSERT_GT(caption.size(), tail.size() + 6);
  EXPECT_EQ(caption.substr(caption.size() - tail.size()), tail);
  EXPECT_NE(caption[caption.size() - tail.size() - 1], u' ') << "exactly three blanks";
}

TEST(LumoraDesign, StatusBoxAndTimerAreSetUpForTheIntake) {
  const auto form = LumoraDesign();
  const auto& tweet = Find(form, "YourTweet");
  EXPECT_TRUE(tweet.multiLine);
  EXPECT_EQ(tweet.maxLength, 200);
  const auto& password = Find(form, "YourPassword");
  EXPECT_TRUE(password.password);
  EXPECT_TRUE(password.imeDisabled);
  const auto& timer = Find(form, "Timer1");
  EXPECT_EQ(timer.kind, ControlKind::kTimer);
  EXPECT_EQ(timer.intervalMs, 100);
  EXPECT_EQ(Find(form, "LLEN").caption, u"0");
}

}  // namespace
}  // namespace poster
