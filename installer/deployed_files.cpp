#include "installer/deployed_files.h"

namespace installer {
namespace {

// Lines are kept as templates in which "~" stands for a double quote. Only the template is
// substituted: the data folder may itself hold a "~" (a short name such as C:\PROGRA~1).
std::u16string Quoted(std::u16string line) {
  for (char16_t& c : line) {
    if (c == u'~') c = u'"';
  }
  return line;
}

// Inside a quoted .reg value and inside a JavaScript string literal "\\" reads as one
// backslash; the path is written with four, so each side ends up with the doubled separator
// that the first release wrote (and the system reads a doubled separator as a single one).
std::u16string Escaped(const std::u16string& path) {
  std::u16string out;
  out.reserve(path.size() * 2);
  for (char16_t c : path) {
    if (c == u'\\') {
      out += u"\\\\\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

const std::u16string kClosingTitle = u"THANK YOU - REGISTRY UPDATED?";
const std::u16string kClosingText =
    u"If you answered 'YES' then the next time you open Internet Explorer, simply HIGHLIGHT some "
    u"text on a Web Page, press the RIGHT MOUSE BUTTON and select:"
    u"\n\n"
    u"Lumora - and follow the instructions!"
    u"\n\n"
    u"Please note: This Fun Application for Twitter is absolutely FREE.";

std::u16string DataFolderFor(const std::u16string& programFiles) {
  std::u16string folder = programFiles;
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder + u"Kestrova\\";
}

std::vector<std::u16string> RegistryLines(const std::u16string& dataFolder) {
  return {
      Quoted(u"Windows Registry Editor Version 5.00"),
      Quoted(u""),
      Quoted(u"[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Lumora]"),
      Quoted(u"@=~") + Escaped(dataFolder + u"Lumora.htm") + Quoted(u"~"),
  };
}

std::vector<std::u16string> ScriptLines(const std::u16string& dataFolder) {
  const std::u16string rule19 = u"// ===================";
  const std::u16string rule24 = u"// ========================";
  const std::u16string rule15 = u"// ===============";
  return {
      Quoted(u"<HTML>"),
      Quoted(u" <HEAD>"),
      Quoted(u"  <TITLE>"),
      Quoted(u"   Tweet Web Text INSTANTLY to your Twitter Followers"),
      Quoted(u"  </TITLE>"),
      Quoted(u" </HEAD>"),
      Quoted(u"  <script language=~javascript~ type=~text/javascript~>"),
      Quoted(u""),
      Quoted(rule19),
      Quoted(u"// STORE SELECTED TEXT"),
      Quoted(rule19),
      Quoted(u"   var Selected = "
             u"window.external.menuArguments.document.selection.createRange().text;"),
      Quoted(u""),
      Quoted(rule24),
      Quoted(u"// COPY IT TO THE CLIPBOARD"),
      Quoted(rule24),
      Quoted(u"   window.clipboardData.setData(~Text~,Selected);"),
      Quoted(u""),
      Quoted(rule15),
      Quoted(u"// SHELL MY TALVEX APP"),
      Quoted(rule15),
      Quoted(u"   var oShell = new ActiveXObject(~WScript.Shell~);"),
      Quoted(u"   var prog = ~") + Escaped(dataFolder + u"Lumora.exe") + Quoted(u"~;"),
      Quoted(u"   oShell.run('~'+prog+'~',1);"),
      Quoted(u""),
      Quoted(u"   window.close();"),
      Quoted(u"  </script>"),
      Quoted(u" </BODY>"),
      Quoted(u"</HTML>"),
  };
}

std::u16string RegeditCommandLine(const std::u16string& dataFolder) {
  return u"Regedit \"" + dataFolder + u"Lumora.reg\"";
}

}  // namespace installer
