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

using Id = LumoraControl;

// Appends a control at its design place; the caller fills in the rest.
ControlDesign& Place(platform::FormDesign& form, Id id, ControlKind kind, int left, int top,
                     int width, int height) {
  ControlDesign& control = form.controls.emplace_back();
  control.name = ControlName(id);
  control.id = static_cast<int>(id);
  control.kind = kind;
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  return control;
}

ControlDesign& TextBox(platform::FormDesign& form, Id id, int left, int top, int width,
                       int height) {
  ControlDesign& box = Place(form, id, ControlKind::kTextBox, left, top, width, height);
  box.font = kArial12;
  box.tabStop = true;
  return box;
}

void WhiteLabel(platform::FormDesign& form, Id id, int left, int top, int width, int height,
                const char16_t* caption) {
  ControlDesign& label = Place(form, id, ControlKind::kLabel, left, top, width, height);
  label.caption = caption;
  label.font = kArial12;
  label.foreColor = kWhite;
  label.transparent = true;
}

ControlDesign& GreyButton(platform::FormDesign& form, Id id, int left, int top,
                          const char16_t* caption) {
  ControlDesign& button = Place(form, id, ControlKind::kCommandButton, left, top, 3135, 375);
  button.caption = caption;
  button.font = kSansSerifBold;
  button.backColor = kButtonFace;
  button.graphical = true;
  button.tabStop = true;
  return button;
}

}  // namespace

const char* ControlName(LumoraControl control) {
  switch (control) {
#define CONTROL_ID(name, id)   \
  case LumoraControl::k##name: \
    return #name;
#include "poster/lumora_control_ids.inc"
#undef CONTROL_ID
  }
  return "";
}

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

  ControlDesign& password = TextBox(form, Id::kYourPassword, 4560, 1680, 3015, 390);
  password.password = true;
  password.imeDisabled = true;
  TextBox(form, Id::kYourUserName, 4560, 600, 3015, 390);
  WhiteLabel(form, Id::kLabel1, 4560, 240, 2460, 270, kUserNameCaption);
  ControlDesign& picture =
      Place(form, Id::kPicture1, ControlKind::kPictureBox, 120, 240, 4230, 1860);
  picture.bitmapResource = kLumoraBirdBitmapResource;
  picture.tabStop = true;
  WhiteLabel(form, Id::kLabel2, 4560, 1200, 2325, 270, kPasswordCaption);
  WhiteLabel(form, Id::kLabel3, 120, 2280, 7740, 270,
             u"OPTION : Create a Tiny Sightlink (Paste a L-O-N-G Web Address here)");
  TextBox(form, Id::kTheLongURL, 120, 2640, 9855, 285).font.reset();  // the window's default font
  GreyButton(form, Id::kCreateTinyURLButton, 120, 3120, u"Create a Tiny Sightlink");
  WhiteLabel(form, Id::kLabel4, 3360, 3120, 4455, 270, kShortLinkNoteCaption);
  Place(form, Id::kFrame1, ControlKind::kFrame, 120, 3600, 9855, 2055).backColor = kSteelBlue;

  GreyButton(form, Id::kSendTweetButton, 6600, 1440, kSendButtonCaption).container = "Frame1";
  ControlDesign& tweet = TextBox(form, Id::kYourTweet, 120, 240, 9615, 975);
  tweet.container = "Frame1";
  tweet.multiLine = true;
  // Inside the box's own width, so no control moves: every line a link brings can be seen.
  tweet.verticalScrollBar = true;
  tweet.maxLength = kYourTweetMaxLength;
  tweet.foreColor = kPurple;
  ControlDesign& counter = Place(form, Id::kLLEN, ControlKind::kLabel, 120, 1440, 6255, 300);
  counter.container = "Frame1";
  counter.caption = u"0";
  counter.font = kArial975;
  counter.foreColor = kYellow;
  counter.backColor = kSteelBlue;

  Place(form, Id::kTimer1, ControlKind::kTimer, 0, 0, 0, 0).intervalMs = 100;
  return form;
}

}  // namespace poster
