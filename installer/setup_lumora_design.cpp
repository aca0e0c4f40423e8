#include "installer/setup_lumora_design.h"

#include <string>
#include <utility>

namespace installer {
namespace {

constexpr platform::Rgb kSteelBlue{123, 152, 182};
constexpr platform::Rgb kYellow{255, 255, 0};
constexpr platform::Rgb kWhite{255, 255, 255};
constexpr platform::Rgb kLightCyan{128, 255, 255};
constexpr platform::Rgb kInk{40, 40, 40};

using platform::ControlKind;

// One element of the label array Label1 (the headlines and the contact notice).
platform::ControlDesign& Label(platform::FormDesign& form, int element, int left, int top,
                               int width, int height, std::u16string caption) {
  platform::ControlDesign& label =
      platform::PlaceControl(form, "Label1(" + std::to_string(element) + ")",
                             static_cast<int>(SetupControl::kLabel1) + element, ControlKind::kLabel,
                             left, top, width, height);
  label.caption = std::move(caption);
  label.transparent = true;
  return label;
}

void Headline(platform::FormDesign& form, int element, int left, int top, int width,
              std::u16string caption, platform::Rgb color) {
  platform::ControlDesign& label = Label(form, element, left, top, width, 660, std::move(caption));
  label.font = platform::FontDesign{u"Arial", 27.75, true};
  label.foreColor = color;
  label.autoSize = true;
}

// The contact notice on the white panel: our own texts, no photographs.
struct ContactText {
  int top;
  const char16_t* caption;
  double points;
  bool bold;
};
constexpr ContactText kContactNotice[] = {
    {300, u"Lumora is made by Kestrova", 15.75, true},
    {900, u"Highlight text on any web page, right-click and pick Lumora:", 9.75, false},
    {1260, u"the text becomes your next tweet, ready to send in one click.", 9.75, false},
    {1620, u"Long web addresses shrink to a short Sightlink with one more click.", 9.75, false},
    {2280, u"Questions, ideas or praise?", 12, true},
    {2880, u"Write to us through the contact page at kestrova.com", 9.75, false},
    {3240, u"Lumora is free to use and free to pass on to your friends.", 9.75, false},
    {3900, u"Thank you for choosing Kestrova!", 12, true}};

void ContactLine(platform::FormDesign& form, int element, int top, std::u16string caption,
                 double points, bool bold) {
  platform::ControlDesign& label =
      Label(form, element, 480, top, 9960, points > 12 ? 480 : 330, std::move(caption));
  label.container = "Picture1";
  label.font = platform::FontDesign{u"Arial", points, bold};
  label.foreColor = kInk;
}

}  // namespace

platform::FormDesign SetupLumoraDesign() {
  platform::FormDesign f;
  f.name = "SetupLumoraForm";
  f.caption = u"Setup for Lumora - Tweet web text in one click  (Version 1.2)";
  f.backColor = kSteelBlue;
  f.clientWidth = 11550;
  f.clientHeight = 10320;
  f.iconResource = kIconResource;

  f.controls.reserve(15);
  platform::ControlDesign& button = platform::PlaceControl(
      f, "UpdateRegistryButton", static_cast<int>(SetupControl::kUpdateRegistryButton),
      ControlKind::kCommandButton, 2880, 4440, 6015, 975);
  button.caption =
      u" NEW INSTALL? Click HERE to Update the Registry. ( Final part of the SETUP ) UNLESS you "
      u"are just Upgrading to a newer version!";
  button.font = platform::FontDesign{u"Arial", 9.75, false};
  button.backColor = kLightCyan;
  button.graphical = true;
  button.wordWrap = true;
  button.tabStop = true;

  Headline(f, 0, 1440, 600, 8910, u"The software has been installed...", kYellow);

  platform::ControlDesign& panel =
      platform::PlaceControl(f, "Picture1", static_cast<int>(SetupControl::kPicture1),
                             ControlKind::kPictureBox, 360, 5520, 10935, 4575);
  panel.backColor = kWhite;
  panel.tabStop = true;

  for (int element = 1; const ContactText& line : kContactNotice) {
    ContactLine(f, element++, line.top, line.caption, line.points, line.bold);
  }

  Headline(f, 9, 1200, 1680, 8985, u"...please say \"Yes\" to the Security", kYellow);
  Headline(f, 10, 600, 2760, 10395, u"question that pops up after this button!", kYellow);
  Headline(f, 11, 2880, 3720, 5970, u"(New Installation Only)", kWhite);

  platform::PlaceControl(f, "Image1", static_cast<int>(SetupControl::kImage1), ControlKind::kImage,
                         120, 120, 720, 720)
      .bitmapResource = kCertificateBitmapResource;
  return f;
}

}  // namespace installer
