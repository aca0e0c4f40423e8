#include "installer/deployed_files.h"

#include <algorithm>

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

bool IsDrivePath(const std::u16string& path) {
  return path.size() >= 3 &&
         ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
         path[1] == u':' && path[2] == u'\\';
}

// "\\server\share\" and more; "\\?\" and "\\.\" open the system's own name spaces instead.
bool IsSharePath(const std::u16string& path) {
  if (path.size() < 5 || path[0] != u'\\' || path[1] != u'\\') return false;
  const std::size_t serverEnd = path.find(u'\\', 2);
  if (serverEnd == std::u16string::npos || serverEnd == 2) return false;
  const std::u16string server = path.substr(2, serverEnd - 2);
  if (server == u"?" || server == u".") return false;
  const std::size_t shareEnd = path.find(u'\\', serverEnd + 1);
  return shareEnd != std::u16string::npos && shareEnd > serverEnd + 1;
}

bool ForbiddenInName(char16_t c) {
  return c < 0x20 || std::u16string_view(u"\"<>|*?:/").find(c) != std::u16string_view::npos;
}

// The script's Run expands %NAME%, and the browser reads its menu entry as an address in which
// "#" starts a fragment.
bool MisreadInTheBrowser(char16_t c) {
  return c == u'%' || c == u'#';
}

// Inside a quoted .reg value and inside a JavaScript string literal "\\" reads as one
// backslash.
std::u16string BackslashesEscaped(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out += c;
    if (c == u'\\') out += c;
  }
  return out;
}

// The path as the registry value and the script's string hold it. The first release doubled
// every separator of its drive path (the system reads a doubled separator as one); that form
// is kept. A network path stays exact: its leading pair doubled would name no server at all.
std::u16string NamedPath(const std::u16string& path) {
  return IsDrivePath(path) ? BackslashesEscaped(path) : path;
}

// A JavaScript string literal with every character outside ASCII as a \uXXXX escape, so the
// script means the same whatever code page reads it. Raw, U+2028 and U+2029 would end the
// string where the code page is UTF-8.
std::u16string ScriptLiteralText(const std::u16string& text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (char16_t c : BackslashesEscaped(text)) {
    if (c >= 0x20 && c < 0x7F) {
      out += c;
      continue;
    }
    out += u"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
  }
  return out;
}

}  // namespace

const std::u16string kFolderProblemTitle = u"Whoops!";

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

std::optional<std::u16string> FolderProblem(const std::u16string& dataFolder) {
  if (!IsDrivePath(dataFolder) && !IsSharePath(dataFolder)) {
    return u"Lumora cannot be installed in the folder " + dataFolder +
           u" because it is neither a full path on a drive nor a network share, so the web "
           u"browser could not find it. Please check the ProgramFiles setting.";
  }
  for (std::size_t i = 2; i < dataFolder.size(); ++i) {
    if (ForbiddenInName(dataFolder[i])) {
      return u"Lumora cannot be installed in the folder " + dataFolder +
             u" because Windows allows none of the characters \" < > | * ? : / in a folder "
             u"name. Please check the ProgramFiles setting.";
    }
  }
  if (std::any_of(dataFolder.begin(), dataFolder.end(), MisreadInTheBrowser)) {
    return u"Lumora cannot be installed in the folder " + dataFolder +
           u" because the web browser would misread the % or # in its name. Please check the "
           u"ProgramFiles setting.";
  }
  return std::nullopt;
}

bool AnsiHolds(const platform::AnsiCodec& ansi, std::u16string_view text) {
  return ansi.FromAnsi(ansi.ToAnsi(text)) == text;
}

std::vector<std::u16string> RegistryLines(const std::u16string& dataFolder) {
  return {
      Quoted(u"Windows Registry Editor Version 5.00"),
      Quoted(u""),
      Quoted(u"[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Lumora]"),
      Quoted(u"@=~") + BackslashesEscaped(NamedPath(dataFolder + u"Lumora.htm")) + Quoted(u"~"),
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
      Quoted(u"   var prog = ~") + ScriptLiteralText(NamedPath(dataFolder + u"Lumora.exe")) +
          Quoted(u"~;"),
      Quoted(u"   oShell.run('~'+prog+'~',1);"),
      Quoted(u""),
      Quoted(u"   window.close();"),
      Quoted(u"  </script>"),
      Quoted(u" </BODY>"),
      Quoted(u"</HTML>"),
  };
}

std::u16string RegeditPath(const std::u16string& windowsFolder) {
  const bool endsInSeparator = !windowsFolder.empty() && windowsFolder.back() == u'\\';
  return windowsFolder + (endsInSeparator ? u"regedit.exe" : u"\\regedit.exe");
}

std::u16string RegeditCommandLine(const std::u16string& dataFolder) {
  return u"Regedit \"" + dataFolder + u"Lumora.reg\"";
}

}  // namespace installer
