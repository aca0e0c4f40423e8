#include "poster/lumora_layout.h"

#include <utility>

namespace poster {
namespace {

using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;
using platform::Rgb;

constexpr Rgb kSteelBlue{123, 152, 182};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kButtonFace{192, 192, 192};
constexpr Rgb kPurple{128, 0, 128};
constexpr Rgb kYellow{255, 255, 0};

const FontSpec kArial12{u"Arial", 12, false};
const FontSpec kArial975{u"Arial", 9.75, false};
const FontSpec kSansSerifBold{u"MS Sans Serif", 9.75, true};

ControlSpec Place(std::string name, int id, ControlKind kind, int left, int top, int width,
                  int height) {
  ControlSpec control;
  control.name = std::move(name);
  control.id = id;
  control.kind = kind;
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  return control;
}

ControlSpec TextBox(std::string name, int id, int left, int top, int width, int height) {
  ControlSpec box = Place(std::move(name), id, ControlKind::kTextBox, left, top, width, height);
  box.font = kArial12;
  box.tabStop = true;
  return box;
}

ControlSpec WhiteLabel(std::string name, int id, int left, int top, int width, int height,
                       std::u16string caption) {
  ControlSpec label = Place(std::move(name), id, ControlKind::kLabel, left, top, width, height);
  label.caption = std::move(caption);
  label.font = kArial12;
  label.foreColor = kWhite;
  label.transparent = true;
  return label;
}

ControlSpec GreyButton(std::string name, int id, int left, int top, std::u16string caption) {
  ControlSpec button =
      Place(std::move(name), id, ControlKind::kCommandButton, left, top, 3135, 375);
  button.caption = std::move(caption);
  button.font = kSansSerifBold;
  button.backColor = kButtonFace;
  button.graphical = true;
  button.tabStop = true;
  return button;
}

}  // namespace

platform::FormSpec LumoraLayout() {
  platform::FormSpec form;
  form.name = "LumoraMain";
  form.caption = u"Lumora - post highlighted text   Version 1.2";
  form.backColor = kSteelBlue;
  form.clientWidth = 10155;
  form.clientHeight = 5850;
  form.centered = true;
  form.iconResource = kLumoraIconResource;

  ControlSpec password = TextBox("YourPassword", 101, 4560, 1680, 3015, 390);
  password.password = true;
  password.imeDisabled = true;

  ControlSpec picture = Place("Picture1", 104, ControlKind::kPictureBox, 120, 240, 4230, 1860);
  picture.bitmapResource = kLumoraBirdBitmapResource;
  picture.tabStop = true;

  ControlSpec longUrl = TextBox("TheLongURL", 107, 120, 2640, 9855, 285);
  longUrl.font.reset();  // the window's default font

  ControlSpec frame = Place("Frame1", 110, ControlKind::kFrame, 120, 3600, 9855, 2055);
  frame.backColor = kSteelBlue;

  ControlSpec send = GreyButton("SendTweetButton", 111, 6600, 1440, u"SEND YOUR TWEET");
  send.container = "Frame1";

  ControlSpec tweet = TextBox("YourTweet", 112, 120, 240, 9615, 975);
  tweet.container = "Frame1";
  tweet.multiLine = true;
  tweet.maxLength = 200;
  tweet.foreColor = kPurple;

  ControlSpec counter = Place("LLEN", 113, ControlKind::kLabel, 120, 1440, 6255, 300);
  counter.container = "Frame1";
  counter.caption = u"0";
  counter.font = kArial975;
  counter.foreColor = kYellow;
  counter.backColor = kSteelBlue;

  ControlSpec timer = Place("Timer1", 114, ControlKind::kTimer, 0, 0, 0, 0);
  timer.intervalMs = 100;

  form.controls = {
      password,
      TextBox("YourUserName", 102, 4560, 600, 3015, 390),
      WhiteLabel("Label1", 103, 4560, 240, 2460, 270, u"Your Twitter User Name"),
      picture,
      WhiteLabel("Label2", 105, 4560, 1200, 2325, 270, u"Your Twitter Password"),
      WhiteLabel("Label3", 106, 120, 2280, 7740, 270,
                 u"OPTION : Create a Tiny Sightlink (Paste a L-O-N-G Web Address here)"),
      longUrl,
      GreyButton("CreateTinyURLButton", 108, 120, 3120, u"Create a Tiny Sightlink"),
      WhiteLabel("Label4", 109, 3360, 3120, 4455, 270,
                 u"(Automatically adds the URL to your Tweet)"),
      frame,
      send,
      tweet,
      counter,
      timer,
  };
  return form;
}

}  // namespace poster
