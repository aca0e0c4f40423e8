#include "poster/lumora_design.h"

namespace poster {
namespace {

using platform::ControlDesign;
using platform::ControlKind;
using platform::FontDesign;
using platform::Rgb;

constexpr Rgb kSteelBlue{123, 152, 182};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kButtonFace{192, 192, 192};
constexpr Rgb kPurple{128, 0, 128};
constexpr Rgb kYellow{255, 255, 0};

const FontDesign kArial12{u"Arial", 12, false};
const FontDesign kArial975{u"Arial", 9.75, false};
const FontDesign kSansSerifBold{u"MS Sans Serif", 9.75, true};

// Appends a control at its design place; the caller fills in the rest.
ControlDesign& Place(platform::FormDesign& form, const char* name, int id, ControlKind kind,
                     int left, int top, int width, int height) {
  ControlDesign& control = form.controls.emplace_back();
  control.name = name;
  control.id = id;
  control.kind = kind;
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  return control;
}

ControlDesign& TextBox(platform::FormDesign& form, const char* name, int id, int left, int top,
                       int width, int height) {
  ControlDesign& box = Place(form, name, id, ControlKind::kTextBox, left, top, width, height);
  box.font = kArial12;
  box.tabStop = true;
  return box;
}

void WhiteLabel(platform::FormDesign& form, const char* name, int id, int left, int top, int width,
                int height, const char16_t* caption) {
  ControlDesign& label = Place(form, name, id, ControlKind::kLabel, left, top, width, height);
  label.caption = caption;
  label.font = kArial12;
  label.foreColor = kWhite;
  label.transparent = true;
}

ControlDesign& GreyButton(platform::FormDesign& form, const char* name, int id, int left, int top,
                          const char16_t* caption) {
  ControlDesign& button = Place(form, name, id, ControlKind::kCommandButton, left, top, 3135, 375);
  button.caption = caption;
  button.font = kSansSerifBold;
  button.backColor = kButtonFace;
  button.graphical = true;
  button.tabStop = true;
  return button;
}

}  // namespace

platform::FormDesign LumoraDesign() {
  platform::FormDesign form;
  form.name = "LumoraMain";
  form.caption = u"Lumora - post highlighted text   Version 1.2";
  form.backColor = kSteelBlue;
  form.clientWidth = 10155;
  form.clientHeight = 5850;
  form.centered = true;
  form.iconResource = kLumoraIconResource;

  form.controls.reserve(14);

  ControlDesign& password = TextBox(form, "YourPassword", 101, 4560, 1680, 3015, 390);
  password.password = true;
  password.imeDisabled = true;
  TextBox(form, "YourUserName", 102, 4560, 600, 3015, 390);
  WhiteLabel(form, "Label1", 103, 4560, 240, 2460, 270, u"Your Twitter User Name");
  ControlDesign& picture =
      Place(form, "Picture1", 104, ControlKind::kPictureBox, 120, 240, 4230, 1860);
  picture.bitmapResource = kLumoraBirdBitmapResource;
  picture.tabStop = true;
  WhiteLabel(form, "Label2", 105, 4560, 1200, 2325, 270, u"Your Twitter Password");
  WhiteLabel(form, "Label3", 106, 120, 2280, 7740, 270,
             u"OPTION : Create a Tiny Sightlink (Paste a L-O-N-G Web Address here)");
  TextBox(form, "TheLongURL", 107, 120, 2640, 9855, 285).font.reset();  // the window's default font
  GreyButton(form, "CreateTinyURLButton", 108, 120, 3120, u"Create a Tiny Sightlink");
  WhiteLabel(form, "Label4", 109, 3360, 3120, 4455, 270,
             u"(Automatically adds the URL to your Tweet)");
  Place(form, "Frame1", 110, ControlKind::kFrame, 120, 3600, 9855, 2055).backColor = kSteelBlue;

  GreyButton(form, "SendTweetButton", 111, 6600, 1440, u"SEND YOUR TWEET").container = "Frame1";
  ControlDesign& tweet = TextBox(form, "YourTweet", 112, 120, 240, 9615, 975);
  tweet.container = "Frame1";
  tweet.multiLine = true;
  tweet.maxLength = 200;
  tweet.foreColor = kPurple;
  ControlDesign& counter = Place(form, "LLEN", 113, ControlKind::kLabel, 120, 1440, 6255, 300);
  counter.container = "Frame1";
  counter.caption = u"0";
  counter.font = kArial975;
  counter.foreColor = kYellow;
  counter.backColor = kSteelBlue;

  Place(form, "Timer1", 114, ControlKind::kTimer, 0, 0, 0, 0).intervalMs = 100;
  return form;
}

}  // namespace poster
