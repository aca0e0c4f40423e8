#include "installer/setup_lumora_design.h"

#include <string>

namespace installer {
namespace {

constexpr platform::Rgb kSteelBlue{123, 152, 182};
constexpr platform::Rgb kYellow{255, 255, 0};
constexpr platform::Rgb kWhite{255, 255, 255};
constexpr platform::Rgb kLightCyan{128, 255, 255};
constexpr platform::Rgb kInk{40, 40, 40};

platform::ControlDesign Headline(int element, int left, int top, int width, std::u16string caption,
                                 platform::Rgb color) {
  platform::ControlDesign c;
  c.name = "Label1(" + std::to_string(element) + ")";
  c.id = static_cast<int>(SetupControl::kLabel1) + element;
  c.kind = platform::ControlKind::kLabel;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = 660;
  c.caption = std::move(caption);
  c.font = platform::FontDesign{u"Arial", 27.75, true};
  c.foreColor = color;
  c.transparent = true;
  c.autoSize = true;
  return c;
}

// The contact notice on the white panel: our own texts, no photographs.
platform::ControlDesign ContactLine(int element, int top, std::u16string caption, double points,
                                    bool bold) {
  platform::ControlDesign c;
  c.name = "Label1(" + std::to_string(element) + ")";
  c.id = static_cast<int>(SetupControl::kLabel1) + element;
  c.kind = platform::ControlKind::kLabel;
  c.container = "Picture1";
  c.left = 480;
  c.top = top;
  c.width = 9960;
  c.height = points > 12 ? 480 : 330;
  c.caption = std::move(caption);
  c.font = platform::FontDesign{u"Arial", points, bold};
  c.foreColor = kInk;
  c.transparent = true;
  return c;
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

  platform::ControlDesign button;
  button.name = "UpdateRegistryButton";
  button.id = static_cast<int>(SetupControl::kUpdateRegistryButton);
  button.kind = platform::ControlKind::kCommandButton;
  button.left = 2880;
  button.top = 4440;
  button.width = 6015;
  button.height = 975;
  button.caption =
      u" NEW INSTALL? Click HERE to Update the Registry. ( Final part of the SETUP ) UNLESS you "
      u"are just Upgrading to a newer version!";
  button.font = platform::FontDesign{u"Arial", 9.75, false};
  button.backColor = kLightCyan;
  button.graphical = true;
  button.wordWrap = true;
  button.tabStop = true;
  f.controls.push_back(button);

  f.controls.push_back(
      Headline(0, 1440, 600, 8910, u"The software has been installed...", kYellow));

  platform::ControlDesign panel;
  panel.name = "Picture1";
  panel.id = static_cast<int>(SetupControl::kPicture1);
  panel.kind = platform::ControlKind::kPictureBox;
  panel.left = 360;
  panel.top = 5520;
  panel.width = 10935;
  panel.height = 4575;
  panel.backColor = kWhite;
  panel.tabStop = true;
  f.controls.push_back(panel);

  f.controls.push_back(ContactLine(1, 300, u"Lumora is made by Kestrova", 15.75, true));
  f.controls.push_back(ContactLine(
      2, 900, u"Highlight text on any web page, right-click and pick Lumora:", 9.75, false));
  f.controls.push_back(ContactLine(
      3, 1260, u"the text becomes your next tweet, ready to send in one click.", 9.75, false));
  f.controls.push_back(
      ContactLine(4, 1620, u"Long web addresses shrink to a short Sightlink with one more click.",
                  9.75, false));
  f.controls.push_back(ContactLine(5, 2280, u"Questions, ideas or praise?", 12, true));
  f.controls.push_back(
      ContactLine(6, 2880, u"Write to us through the contact page at kestrova.com", 9.75, false));
  f.controls.push_back(ContactLine(
      7, 3240, u"Lumora is free to use and free to pass on to your friends.", 9.75, false));
  f.controls.push_back(ContactLine(8, 3900, u"Thank you for choosing Kestrova!", 12, true));

  f.controls.push_back(
      Headline(9, 1200, 1680, 8985, u"...please say \"Yes\" to the Security", kYellow));
  f.controls.push_back(
      Headline(10, 600, 2760, 10395, u"question that pops up after this button!", kYellow));
  f.controls.push_back(Headline(11, 2880, 3720, 5970, u"(New Installation Only)", kWhite));

  platform::ControlDesign image;
  image.name = "Image1";
  image.id = static_cast<int>(SetupControl::kImage1);
  image.kind = platform::ControlKind::kImage;
  image.left = 120;
  image.top = 120;
  image.width = 720;
  image.height = 720;
  image.bitmapResource = kCertificateBitmapResource;
  f.controls.push_back(image);
  return f;
}

}  // namespace installer
