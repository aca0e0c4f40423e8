// The installer window's design: what a user sees of it, and the ids the end-to-end tests use.
#include "installer/setup_lumora_design.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace installer {
namespace {

using platform::ControlDesign;
using platform::ControlKind;
using platform::Rgb;

const ControlDesign& Find(const platform::FormDesign& form, const std::string& name) {
  for (const auto& control : form.controls) {
    if (control.name == name) return control;
  }
  throw std::out_of_range(name);
}

std::string Headline(int element) {
  return "Label1(" + std::to_string(element) + ")";
}

TEST(SetupLumoraDesign, ControlsCarryTheIdsOfTheSharedTableAndFitTheWindow) {
  const auto form = SetupLumoraDesign();
  EXPECT_EQ(form.clientWidth, 11550);
  EXPECT_EQ(form.clientHeight, 10320);
  EXPECT_EQ(Find(form, "UpdateRegistryButton").id,
            static_cast<int>(SetupControl::kUpdateRegistryButton));
  EXPECT_EQ(Find(form, "Picture1").id, static_cast<int>(SetupControl::kPicture1));
  EXPECT_EQ(Find(form, "Image1").id, static_cast<int>(SetupControl::kImage1));
  std::set<int> ids;
  for (int element = 0; element < 12; ++element) {
    EXPECT_EQ(Find(form, Headline(element)).id, static_cast<int>(SetupControl::kLabel1) + element);
  }
  for (const auto& control : form.controls) {
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
    const bool onPanel = control.container == "Picture1";
    EXPECT_TRUE(onPanel || control.container.empty()) << control.name;
    const int width = onPanel ? Find(form, "Picture1").width : form.clientWidth;
    const int height = onPanel ? Find(form, "Picture1").height : form.clientHeight;
    EXPECT_LE(control.left + control.width, width) << control.name;
    EXPECT_LE(control.top + control.height, height) << control.name;
  }
}

// The four headlines above the button: large bold captions sized to their text, the last in
// white; the button wraps its long caption and is the one focusable control with the panel.
TEST(SetupLumoraDesign, HeadlinesButtonAndPanelLookAsDesigned) {
  const auto form = SetupLumoraDesign();
  for (int element : {0, 9, 10, 11}) {
    const auto& headline = Find(form, Headline(element));
    SCOPED_TRACE(headline.name);
    EXPECT_TRUE(headline.autoSize);
    EXPECT_TRUE(headline.transparent);
    ASSERT_TRUE(headline.font.has_value());
    EXPECT_EQ(headline.font->points, 27.75);
    EXPECT_TRUE(headline.font->bold);
    EXPECT_EQ(headline.foreColor, (element == 11 ? Rgb{255, 255, 255} : Rgb{255, 255, 0}));
  }
  const auto& button = Find(form, "UpdateRegistryButton");
  EXPECT_TRUE(button.wordWrap);
  EXPECT_TRUE(button.graphical);
  std::set<std::string> focusable;
  for (const auto& control : form.controls) {
    if (control.tabStop) focusable.insert(control.name);
  }
  EXPECT_EQ(focusable, (std::set<std::string>{"UpdateRegistryButton", "Picture1"}));
  EXPECT_EQ(Find(form, "Picture1").backColor, (Rgb{255, 255, 255}));
}

// The contact notice on the panel: only its 15.75-point title gets the taller box.
TEST(SetupLumoraDesign, ContactLinesAreAsTallAsTheirFont) {
  const auto form = SetupLumoraDesign();
  for (int element = 1; element <= 8; ++element) {
    const auto& line = Find(form, Headline(element));
    SCOPED_TRACE(line.name);
    EXPECT_EQ(line.container, "Picture1");
    EXPECT_EQ(line.height, element == 1 ? 480 : 330);
  }
}

}  // namespace
}  // namespace installer
