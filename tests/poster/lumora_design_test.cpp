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

// The end-to-end tests find controls by the ids of lumora_control_ids.inc: every control of the
// design carries its table id, under a name the table knows, and no id is used twice.
TEST(LumoraDesign, ControlsCarryTheIdsOfTheSharedTable) {
  const std::vector<std::pair<std::string, int>> table = {
#define CONTROL_ID(name, id) {#name, id},
#include "poster/lumora_control_ids.inc"
#undef CONTROL_ID
  };
  const auto form = LumoraDesign();
  ASSERT_EQ(form.controls.size(), table.size());
  std::set<int> ids;
  for (const auto& control : form.controls)
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
  for (const auto& [name, id] : table) {
    EXPECT_EQ(Find(form, name).id, id) << name;
    EXPECT_EQ(ControlName(static_cast<LumoraControl>(id)), name);
  }
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
  // Lines past the third stay reachable, and the bar takes no room from the other controls.
  EXPECT_TRUE(tweet.verticalScrollBar);
  EXPECT_EQ((std::vector<int>{tweet.left, tweet.top, tweet.width, tweet.height}),
            (std::vector<int>{120, 240, 9615, 975}));
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
