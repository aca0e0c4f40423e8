#!/usr/bin/env python3
"""Mutation sample of the unit tests: applies single-line faults to the portable logic one at a
time, rebuilds the native unit tests, runs them and puts the file back.

It works on a copy of the working tree's tracked files (in <build>/src), so an interrupted run
leaves the sources untouched and other builds never see a mutant.

A mutant is killed when the unit tests fail (or hang); it survives when they pass. A mutant that
does not compile says nothing about the tests and is left out of the rate. Not a test: it prints
its tally and always exits 0 unless the unmutated tree fails.

    scripts/mutate.py                  # every mutant, in build/mutation
    scripts/mutate.py --only 12 30     # just these
    scripts/mutate.py --list           # what each mutant changes
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEST_TIMEOUT = 120

# (file, text on one line, replacement, what a developer got wrong). The text must stand
# exactly once in the file.
MUTANTS = [
    # Intake and counter
    ("platform/common/text.h", "return c >= 0xD800 && c <= 0xDBFF;", "return c >= 0xD800 && c <= 0xDFFF;",
     "low surrogate taken for a high one at the cut"),
    ("platform/common/text.cpp",
     "digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));",
     "digits.push_back(static_cast<char16_t>(u'0' + n % 10));", "counter digits reversed"),
    ("poster/text_rules.cpp", "text.find_first_not_of(u' ');", "text.find_first_not_of(u\" \\t\");",
     "tabs trimmed at the start"),
    ("poster/text_rules.cpp", "text.find_last_not_of(u' ');",
     "text.find_last_not_of(u\" \\r\\n\");",
     "line breaks trimmed at the end"),
    ("poster/text_rules.cpp", "last - first + 1", "last - first", "trim drops the last character"),
    ("poster/text_rules.cpp", "std::size_t cut = kMaxStatusLength;",
     "std::size_t cut = kMaxStatusLength - 1;", "intake cut one short"),
    ("poster/text_rules.cpp", "IsHighSurrogate(text[cut - 1])", "IsHighSurrogate(text[cut])",
     "surrogate test one past the cut"),
    ("poster/text_rules.cpp", "if (length > kMaxStatusLength) {",
     "if (length >= kMaxStatusLength) {",
     "counter warns at exactly 140"),
    ("poster/text_rules.cpp", "u\"( FYI: Only", "u\"(FYI: Only", "warning note wording"),
    ("poster/text_rules.cpp", "u\" Characters.\"", "u\" characters.\"", "counter wording"),
    # Form encoding
    ("poster/web/form_encoding.cpp", "out += kHex[byte & 0xF];", "out += kHex[byte & 0x7];",
     "low hex digit masked wrong"),
    ("platform/common/reply_text.cpp", "    if (c < 0x80) {", "    if (c <= 0x80) {",
     "U+0080 sent as one byte"),
    ("platform/common/reply_text.cpp", "const int tail = c < 0x800 ? 1", "const int tail = c <= 0x800 ? 1",
     "U+0800 sent as two bytes"),
    ("platform/common/reply_text.cpp", "c < 0x10000 ? 2 : 3", "c <= 0x10000 ? 2 : 3",
     "U+10000 sent as three bytes"),
    ("platform/common/reply_text.cpp", "kLead[] = {0, 0xC0, 0xE0, 0xF0};", "kLead[] = {0, 0xC0, 0xC0, 0xF0};",
     "wrong lead byte of a three-byte sequence"),
    ("platform/common/text.cpp", "- 0xD800) << 10)", "- 0xD800) << 12)",
     "surrogate pair combined wrong"),
    ("platform/common/reply_text.cpp", "if (IsSurrogate(c)) c = 0xFFFD;", "if (IsSurrogate(c)) c = u'?';",
     "lone surrogate sent as ?"),
    ("poster/web/form_encoding.cpp", "if (unit == ' ') {", "if (unit == ' ' || unit == '+') {",
     "plus sign sent as a space"),
    ("platform/common/text.cpp", "IsHighSurrogate(text[at]) && at + 1 < text.size()", "IsHighSurrogate(text[at]) && at + 2 < text.size()",
     "pair at the very end not combined"),
    ("poster/web/form_encoding.cpp", "c == u'*' || c == u'-' || c == u'.' || c == u'_';",
     "c == u'*' || c == u'-' || c == u'.' || c == u'_' || c == u'&';", "& left unencoded"),
    # The POST itself
    ("poster/request_routines.cpp", "if (ansi.size() != 1)", "if (ansi.empty())",
     "two-byte character accepted"),
    ("poster/request_routines.cpp", "TheURL.find(u'?');", "TheURL.rfind(u'?');",
     "split at the last question mark"),
    ("poster/request_routines.cpp", "TheURL.substr(question + 1)", "TheURL.substr(question)",
     "question mark sent in the body"),
    ("poster/web/form_post.cpp", "credentials->userName, credentials->password);",
     "credentials->password, credentials->userName);", "user name and password swapped"),
    ("poster/web/form_post.cpp", "request->Open(u\"POST\", address);",
     "request->Open(u\"GET\", address);", "link request sent as GET"),
    ("poster/web/form_post.cpp", "request->SetRequestHeader(u\"Content-Type\", kFormContentType);",
     "", "no content type"),
    ("poster/short_link/link_shortening.cpp", "  if (IsSimpleShortenerAddress(address)) {",
     "  if (false) {", "a simple API asked by the classic POST"),
    ("poster/short_link/link_shortening.cpp",
     "IsSimpleShortenerAddress(address) ? SimpleShortLinkIn(reply) : ShortLinkIn(reply)",
     "ShortLinkIn(reply)", "a simple API's reply read by the classic rule"),
    ("poster/short_link/link_shortening.cpp", "FormField(u\"TheLongURL\", longAddress)",
     "FormField(u\"LongURL\", longAddress)", "link sent under the wrong field name"),
    ("poster/request_routines.cpp", "TheURL.substr(0, question)", "TheURL",
     "request sent to the whole address"),
    ("poster/request_routines.cpp", "if (strPostData.empty()) return;", "",
     "empty body still replaces the array"),
    # Sending the status
    ("poster/lumora_main.cpp", "    return Warn(*unsaved);", "    Warn(*unsaved);",
     "sends after the credentials could not be saved"),
    ("poster/lumora_main.cpp", "TrimSpaces(c_.yourPassword.Text())", "c_.yourPassword.Text()",
     "password sent untrimmed"),
    ("poster/lumora_main.cpp", "  if (busy) button.SetEnabled(false);", "",
     "button stays enabled while sending"),
    ("poster/web/form_post.cpp", "for (char16_t c : FormEncode(value))",
     "for (char16_t c : value)", "field sent unencoded"),
    ("poster/classic/classic_service.cpp", "address_(parts.addresses.status.address)", "address_(parts.addresses.sightlink.address)",
     "status sent to the shortening service"),
    ("poster/lumora_main.cpp", "if (!shortener.problem.empty())", "if (!addresses_.status.problem.empty())",
     "shortening checks the status address"),
    ("poster/classic/classic_service.cpp", "? parts.addresses.status.problem", "? parts.addresses.sightlink.problem",
     "sending checks the shortening address"),
    ("poster/lumora_main.cpp", "RequestShortLink(s_.http, shortener.address,", "RequestShortLink(s_.http, addresses_.status.address,",
     "link sent to the status service"),
    ("poster/lumora_main.cpp", "    Busy(c_.sendTweetButton, false);", "    s_.mousePointer.Set(platform::Pointer::kDefault);",
     "button stays disabled after a failed send"),
    ("poster/web/reply_rules.cpp", "reply.find(u\"<screen_name>\")", "reply.find(u\"<text>\")",
     "success recognised by the wrong element"),
    ("poster/lumora_main.cpp", "outcome.posted ? platform::MessageIcon::kInformation", "false ? platform::MessageIcon::kInformation",
     "success box with a warning icon"),
    ("poster/classic/classic_service.cpp", "u\" advises:\\n\\n\"", "u\" advises:\\n\"",
     "failure message wording"),
    ("poster/stored_credentials.cpp", "{kPasswordFile, &password}", "{kPasswordFile, &userName}",
     "user name stored as the password"),
    ("poster/stored_credentials.cpp", "ToAnsi(TrimSpaces(*value))", "ToAnsi(*value)",
     "credentials stored untrimmed"),
    ("poster/stored_credentials.cpp", "u\"\\n\\nNothing was sent. Your text is still here.\"", "u\"\\nNothing was sent. Your text is still here.\"",
     "save failure wording"),
    ("poster/classic/classic_service.cpp", "u\"Sorry, you need to enter your Twitter Password.\"", "u\"Sorry, you need to enter your Twitter Username.\"",
     "wrong refusal for the password"),
    ("poster/classic/classic_service.cpp", "if (input.status.size() > kMaxStatusLength) {", "if (input.status.size() >= kMaxStatusLength) {",
     "140 characters refused"),
    ("poster/lumora_main.cpp", "    s_.messageBoxes.Beep();", "",
     "no beep on a refusal"),
    ("poster/classic/classic_service.cpp", "  if (input.password.empty()) {", "  if (input.userName.empty()) {",
     "empty password not refused"),
    ("poster/lumora_main.cpp", "  if (outcome.ends) s_.process.EndProgram();", "",
     "program stays open after the verdict"),
    # Link shortening
    ("poster/short_link/link_shortening.h", "kShortestLongAddress = 7;", "kShortestLongAddress = 8;",
     "shortest address limit"),
    ("poster/lumora_main.cpp", "if (longAddress.size() < web::kShortestLongAddress) {",
     "if (longAddress.size() <= web::kShortestLongAddress) {", "seven-character address refused"),
    ("poster/short_link/link_shortening.cpp", "StartsWithAsciiNoCase(longAddress, u\"https:\")",
     "StartsWithAsciiNoCase(longAddress, u\"ftp:\")", "https addresses get a second scheme"),
    ("platform/common/text.cpp", "c >= u'A' && c <= u'Z' ?", "c >= u'A' && c < u'Z' ?",
     "upper-case Z not lowered"),
    ("poster/lumora_main.cpp", "c_.yourTweet.Text() + u' ' + *shortLink",
     "c_.yourTweet.Text() + *shortLink", "short link glued to the text"),
    ("poster/web/reply_rules.cpp", "reply.find(u'\\t');", "reply.find(u' ');",
     "short link cut at a space"),
    ("poster/web/reply_rules.cpp", " || platform::IsLoneSurrogate(link, i)) {", ") {",
     "lone surrogates in a short link"),
    ("poster/web/reply_rules.cpp", "return !authority.empty() && authority.front() != u':';",
     "return true;", "short link without a host"),
    ("poster/web/reply_rules.cpp", "authority.find_first_of(u\"/?#\\\\\")",
     "authority.find_first_of(u\"/?#\")", "backslash taken into the host"),
    ("platform/common/text.cpp", "(c >= 0x200B && c <= 0x200F)", "(c >= 0x200E && c <= 0x200F)",
     "zero-width characters in a short link"),
    ("poster/web/reply_rules.cpp", "return platform::IsHiddenMark(c) || c == 0x0020 || ", "return platform::IsHiddenMark(c) || ",
     "spaces in a short link"),
    ("platform/common/text.cpp", "(c >= 0x202A && c <= 0x202E)", "c == 0x202E",
     "bidirectional overrides in a short link"),
    ("poster/web/reply_rules.cpp", "c == u'\\r' || c == u'\\n' || c == u'\\t';",
     "c == u'\\r' || c == u'\\n';", "tabs replaced in an excerpt"),
    ("poster/web/reply_rules.cpp", "||\n        platform::IsLoneSurrogate(reply, i)) {", ") {",
     "lone surrogates shown in an excerpt"),
    ("poster/web/reply_rules.cpp", "(c < 0x20 && !keptControl) ||", "(c < 0x20 && c != 0 && !keptControl) ||",
     "NUL kept in an excerpt"),
    ("poster/web/reply_rules.cpp", "platform::PairStartsAt(reply, end - 1)", "platform::IsHighSurrogate(reply[end - 1])",
     "lone high surrogate at the cut dropped"),
    ("platform/common/reply_text.cpp", "text.push_back(IsSurrogate(unit) ? u'\\uFFFD' : unit);", "text.push_back(unit);",
     "UTF-16 decoder passes lone surrogates"),
    ("poster/lumora_main.cpp", "    Busy(c_.createTinyUrlButton, false);\n    return Warn", "    return Warn",
     "button stays disabled after a failed request"),
    # Start-up and intake
    ("poster/stored_credentials.cpp", "files_.AppendCreate(folder_ + kPasswordFile);", "files_.AppendCreate(folder_ + kUserNameFile);",
     "password file not created"),
    ("poster/lumora_main.cpp", "c_.yourPassword.SetText(credentials_.Password());", "c_.yourPassword.SetText(credentials_.UserName());",
     "password read from the user file"),
    ("kestrova/kestrova_folder.h", "if (folder.empty() || folder.back() != u'\\\\')",
     "if (!folder.empty() && folder.back() != u'\\\\')", "no separator without ProgramFiles"),
    ("kestrova/kestrova_folder.h", "return folder + u\"Kestrova\\\\\";",
     "return folder + u\"Kestrova\";", "data folder without its backslash"),
    ("poster/lumora_main.cpp", "s_.environment.Variable(kestrova::kProgramFilesVariable)",
     "s_.environment.Variable(u\"ProgramFilesDir\")", "folder from the wrong variable"),
    ("poster/lumora_main.cpp", "if (text.empty()) s_.process.EndProgram();", "",
     "empty clipboard does not end"),
    ("poster/lumora_main.cpp", "  c_.form.MakeTopmost();", "", "window not on top"),
    ("poster/classic/classic_service.cpp", "return CounterFor(text.size());", "return CounterFor(TrimSpaces(text).size());",
     "counter skips spaces"),
    ("poster/lumora_main.cpp", "  c_.llen.SetForeColor(look.color);", "", "counter colour kept"),
    ("poster/lumora_main.cpp", "platform::MessageIcon::kWarning);\n    s_.process.EndProgram();",
     "platform::MessageIcon::kInformation);\n    s_.process.EndProgram();",
     "second-instance box icon"),
    ("poster/lumora_main.cpp", "  c_.timer1.SetEnabled(false);", "", "timer keeps ticking"),
    ("platform/common/first_line.cpp", "chunk.find('\\r');", "chunk.find_first_of(\"\\r\\n\");",
     "line feed ends the stored line"),
    # Web addresses, origins and redirects
    ("platform/common/web_url.cpp", "return c >= u'A' && c <= u'Z' ?", "return c >= u'A' && c < u'Z' ?",
     "Z not lowered in a host"),
    ("platform/common/web_url.cpp", "return a.secure == b.secure && a.port == b.port &&",
     "return a.port == b.port &&", "scheme left out of the origin"),
    ("platform/common/web_url.cpp", "c == u'-' || c == u'.' ||", "c == u'-' || c == u'.' || c == u'%' ||",
     "percent sign taken in a host"),
    ("platform/common/web_url.cpp", "url.port = url.secure ? kHttpsPort : kHttpPort;",
     "url.port = kHttpPort;", "https defaults to port 80"),
    ("platform/common/web_url.cpp", "if (value < 1 || value > kHighestPort) return std::nullopt;",
     "if (value > kHighestPort) return std::nullopt;", "port 0 accepted"),
    ("platform/common/web_url.cpp", "if (close == std::u16string_view::npos || close < 2) return false;",
     "if (close == std::u16string_view::npos) return false;", "empty IPv6 brackets accepted"),
    ("platform/common/web_url.cpp", "host = authority.substr(0, close + 1);",
     "host = authority.substr(1, close - 1);", "IPv6 host kept without its brackets"),
    ("platform/common/web_url.cpp", "return std::u16string(object.substr(0, object.find(u'#')));",
     "return std::u16string(object);", "fragment sent to the server"),
    ("platform/common/web_url.cpp", "if (HasScheme(location)) return ParseWebUrl(location);",
     "if (location.find(u\"://\") != std::u16string_view::npos) return ParseWebUrl(location);",
     "javascript: location resolved as a path"),
    ("platform/common/web_url.cpp", "return ParseWebUrl((base.secure ? u\"https:\" : u\"http:\") +",
     "return ParseWebUrl((base.secure ? u\"http:\" : u\"http:\") +",
     "scheme-relative location drops https"),
    ("platform/common/web_url.cpp", "next.object = path.substr(0, path.rfind(u'/') + 1) +",
     "next.object = path.substr(0, path.rfind(u'/')) +", "relative location loses its slash"),
    ("platform/common/web_url.cpp", "if (host.find(u'.') == std::u16string_view::npos) return true;",
     "return true;", "<local> bypasses every host"),
    ("platform/common/web_url.cpp", "while (p < entry.size() && entry[p] == u'*') ++p;", "",
     "a trailing wildcard must match something"),
    ("poster/web/service_addresses.cpp",
     "if (text.find_first_of(u\"?#\") != std::u16string_view::npos || !platform::ParseWebUrl(text)) {",
     "if (text.find_first_of(u\"?\") != std::u16string_view::npos || !platform::ParseWebUrl(text)) {",
     "fragment allowed in a service address"),
    # Installer
    ("installer/deployed_files.cpp", "if (c == u'~') c = u'\"';", "if (c == u'~') c = u'\\'';",
     "single quotes in the templates"),
    ("installer/deployed_files.cpp", "    if (c == u'\\\\') out += c;", "",
     "backslashes not escaped"),
    ("installer/deployed_files.cpp", "[&](const auto& line) { return AnsiHolds(ansi, line); });",
     "[&](const auto&) { return true; });", "registration in ANSI whatever it holds"),
    ("installer/deployed_files.cpp", "NamedPath(dataFolder + kestrova::kScriptFile)",
     "NamedPath(dataFolder + kestrova::kProgramFile)", "menu entry names the wrong file"),
    ("installer/deployed_files.cpp",
     "u\"Regedit \\\"\" + dataFolder + kestrova::kRegistrationFileAsCommanded + u\"\\\"\"",
     "u\"Regedit \" + dataFolder + kestrova::kRegistrationFileAsCommanded", "registry file path unquoted"),
    ("installer/deployed_files.cpp", "if (c >= 0x20 && c < 0x7F) {", "if (c >= 0x20) {",
     "non-ASCII written raw into the script"),
    ("installer/deployed_files.cpp", "return c == u'%' || c == u'#';", "return c == u'%';",
     "# accepted in the folder"),
    ("installer/setup_lumora_form.cpp", "programFiles = s_.environment.ProgramFilesFolder();",
     "programFiles = u\"\";", "no ProgramFiles installs at the drive's root"),
    ("poster/lumora_main.cpp",
     "if (programFiles.empty()) programFiles = s_.environment.ProgramFilesFolder();",
     "", "Lumora without ProgramFiles uses the drive's root"),
    ("installer/setup_lumora_form.cpp", "c_.form.SetTop(40);", "c_.form.SetTop(0);",
     "window top"),
    ("installer/setup_lumora_form.cpp", "(c_.form.ScreenWidth() - c_.form.Width()) / 2",
     "c_.form.ScreenWidth() / 2", "window not centred"),
    ("installer/setup_lumora_form.cpp", "kRegistrationFile, RegistryLines(dataFolder_, s_.ansi)",
     "kRegistrationFile, ScriptLines(dataFolder_)", "the wrong file's lines"),
    ("installer/setup_lumora_form.cpp", "  if (content.unicode) {", "  if (!content.unicode) {",
     "encoding decision inverted"),
    ("installer/setup_lumora_form.cpp", "  if (clicked_) return;", "", "second click runs again"),
    ("installer/setup_lumora_form.cpp", "  s_.environment.CreateFolder(dataFolder_);", "",
     "data folder not created"),
    ("installer/setup_lumora_form.cpp", "WaitResponsively(kRegistryEditorGraceMs);",
     "WaitResponsively(kRegistryEditorGraceMs / 5);", "grace period one second"),
    ("installer/setup_lumora_form.cpp", "Show(kClosingText, kClosingTitle,",
     "Show(kClosingTitle, kClosingText,", "closing text and title swapped"),
    ("installer/setup_lumora_form.cpp", "  c_.form.Hide();", "", "window stays during the wait"),
    # Window designs
    ("poster/lumora_design.h", "kYourTweetMaxLength = 200;", "kYourTweetMaxLength = 140;",
     "status box takes only 140"),
    ("poster/lumora_design.cpp", "  password.password = true;", "", "password shown"),
    ("poster/lumora_design.cpp", ".intervalMs = 100;", ".intervalMs = 1000;", "slow intake timer"),
    ("poster/lumora_design.cpp", "counter.caption = u\"0\";", "counter.caption = u\"\";",
     "counter caption at start"),
    ("installer/setup_lumora_design.cpp", "points > 12 ? 480 : 330", "points >= 12 ? 480 : 330",
     "12-point contact lines too tall"),
    ("installer/setup_lumora_design.cpp", "  label.autoSize = true;", "",
     "headlines not sized"),
    ("installer/setup_lumora_design.cpp", "  button.wordWrap = true;", "",
     "button caption on one line"),
    ("installer/setup_lumora_design.cpp", "f.clientHeight = 10320;", "f.clientHeight = 10230;",
     "window height"),
    ("installer/setup_lumora_design.cpp", "u\"(New Installation Only)\", kWhite)",
     "u\"(New Installation Only)\", kYellow)", "last headline colour"),
    ("installer/setup_lumora_design.cpp", "  panel.tabStop = true;", "", "panel not a tab stop"),
    # JSON replies, the Mastodon client API and simple short links
    ("poster/web/json_reader.cpp", "if (!StrictSyntax(utf8).OneObject()) return std::nullopt;", "",
     "what the tokenizer lets pass taken for JSON"),
    ("poster/web/json_reader.cpp", "if (text.size() > kLongestJson) return std::nullopt;", "",
     "a reply past the longest JSON parsed"),
    ("poster/web/json_reader.cpp", "if (value > highest) return std::nullopt;", "",
     "no ceiling on a published limit"),
    ("poster/mastodon/mastodon.cpp", "if (at > 0 && IsAsciiAlphanumeric(text[at - 1])) return 0;", "",
     "a scheme inside a word counted as a link"),
    ("poster/mastodon/mastodon.cpp", "(rest[end - 1] == u')' && closed > opened)",
     "rest[end - 1] == u')'", "a link's own closing bracket dropped"),
    ("poster/mastodon/mastodon.cpp", "return status == 401 || status == 403 || status == 422 ||",
     "return status == 401 || status == 422 ||", "a 403 refusal not read"),
    ("poster/mastodon/mastodon.cpp", "if (json && status == 200 && json->StringAt({u\"id\"})) {",
     "if (json && json->StringAt({u\"id\"})) {", "any status with an id taken as published"),
    ("poster/mastodon/mastodon_client.cpp", "if (reply.status != 200) continue;", "",
     "an error reply's body read as limits"),
    ("poster/web/service_settings.cpp", "if (status.empty() && values.mastodon) {",
     "if (false) {", "a Mastodon server without an address accepted"),
    ("poster/short_link/simple_shortener.cpp", "if (c == u'+') {", "if (false) {",
     "a space in the long address sent as +"),
    # The window and its status service
    ("poster/draft.cpp", "if (raw_.empty() || box_.Text() != shown_) return false;",
     "if (raw_.empty()) return false;", "a late answer cuts the text the user edited"),
    ("poster/mastodon/mastodon_service.cpp", "  if (!settingsProblem_.empty()) return;", "",
     "limits asked of a server whose address cannot be used"),
    ("poster/mastodon/mastodon_service.cpp", "published, published};", "published, true};",
     "a refused post ends the program"),
    ("poster/lumora_main.cpp", "if (std::exchange(ownWords_, words.has_value()) || words) {",
     "if (words) {", "the classic words not restored after a Mastodon server"),
    ("poster/status_services.cpp", "  parts.settingsProblem = web::StatusProtocolProblem(settings, protocol);\n",
     "", "an unknown protocol posts the classic way"),
    ("poster/mastodon/mastodon.cpp", "c == 0x2028 || c == 0x2029", "c == 0x2029",
     "a link runs on over a line separator"),
    ("poster/mastodon/mastodon.cpp", "return std::u16string_view(u\".,:;!?'\\\"\").find(c)",
     "return std::u16string_view(u\".,:;!?'\").find(c)", "a closing quote counted as part of a link"),
    ("platform/common/text.cpp", "if (c >= u'a' && c <= u'f') return",
     "if (c >= u'a' && c < u'f') return", "a lower-case f refused in an escape"),
    ("poster/mastodon/mastodon_service.cpp", "  if (failure.MayHaveArrived()) maybeSent_ = input.status;\n",
     "", "an edited text after a lost answer sent without asking"),
    ("poster/mastodon/mastodon_service.cpp", "      web::PostStatus(exchange, server_, input.password, input.status, seed);\n  maybeSent_.clear();",
     "      web::PostStatus(exchange, server_, input.password, input.status, seed);",
     "an answer does not end the question after a lost one"),
    # Grapheme clusters
    ("platform/common/graphemes.cpp", "return (codePoint - 0xAC00) % 28 == 0 ? kLV : kLVT;",
     "return (codePoint - 0xAC00) % 27 == 0 ? kLV : kLVT;", "Hangul syllables told apart wrongly"),
    ("platform/common/graphemes.cpp", "if ((before == kLVT || before == kT) && after == kT) return true;",
     "if (before == kLVT && after == kT) return true;", "a trailing jamo after another breaks"),
    ("platform/common/graphemes.cpp", "joinsPictographic_ = pictographicRun_ && property == kZwj;",
     "joinsPictographic_ = property == kZwj;", "any joiner glues a following emoji"),
    ("platform/common/graphemes.cpp",
     "oddIndicators_ = property == kRegionalIndicator && !(previous_ == property && oddIndicators_);",
     "oddIndicators_ = property == kRegionalIndicator;", "a third regional indicator joins a flag"),
    ("platform/common/graphemes.cpp", "return after == kExtend || after == kZwj || after == kSpacingMark || before == kPrepend;",
     "return after == kExtend || after == kZwj || before == kPrepend;", "a spacing mark starts a cluster"),
    ("platform/common/graphemes.cpp", "if (before == kCR && after == kLF) return true;",
     "if (before == kCR && after == kLF) return false;", "CR LF split in two"),
]


def run(command, **kwargs):
    return subprocess.run(command, cwd=REPO, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, errors="replace", **kwargs)


def copy_sources(source_dir):
    """Copies the tracked files as they stand in the working tree; unchanged files keep their
    copy, so the build there stays incremental from one run to the next. A changed file gets a
    fresh time stamp, so the build sees it; a file no longer tracked goes."""
    listed = set(filter(None, run(["git", "ls-files", "-z"]).stdout.split("\0")))
    for folder, _, files in os.walk(source_dir):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.relpath(path, source_dir) not in listed:
                os.remove(path)
    for name in sorted(listed):
        source, target = os.path.join(REPO, name), os.path.join(source_dir, name)
        if not os.path.isfile(source):
            continue
        with open(source, "rb") as f:
            content = f.read()
        if os.path.exists(target):
            with open(target, "rb") as f:
                if f.read() == content:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
        shutil.copymode(source, target)


def build(build_dir):
    return run(["cmake", "--build", build_dir, "--target", "lumora_unit_tests",
                "-j2"]).returncode == 0


def unit_tests_pass(build_dir):
    binary = os.path.join(build_dir, "tests", "lumora_unit_tests")
    try:
        return run([binary, "--gtest_brief=1"], timeout=TEST_TIMEOUT).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def read(path):
    with open(path, encoding="utf-8", newline="") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def check(index, root):
    """The mutant's file text; raises ValueError unless its text stands there exactly once."""
    path, old, _, _ = MUTANTS[index]
    text = read(os.path.join(root, path))
    if text.count(old) != 1:
        raise ValueError("mutant %d: %r stands %d times in %s" % (index, old, text.count(old),
                                                                  path))
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join("build", "mutation"))
    parser.add_argument("--only", type=int, nargs="+")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    chosen = args.only or range(len(MUTANTS))

    for i in chosen:
        check(i, REPO)
    if args.list:
        for i in chosen:
            print("%3d %-36s %s" % (i, MUTANTS[i][0], MUTANTS[i][3]))
        return 0

    source_dir = os.path.join(REPO, args.build, "src")
    build_dir = os.path.join(REPO, args.build, "out")
    copy_sources(source_dir)
    # Mutants may well leave a variable unused: warnings must not fail their build.
    configure = run(["cmake", "-S", source_dir, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Debug",
                     "-DLUMORA_WARNINGS_AS_ERRORS=OFF"])
    if configure.returncode != 0 or not build(build_dir) or not unit_tests_pass(build_dir):
        print(configure.stdout[-2000:])
        sys.exit("the unmutated tree does not build or its unit tests fail")

    killed, survived, stillborn = [], [], []
    started = time.monotonic()
    for i in chosen:
        path, old, new, what = MUTANTS[i]
        full = os.path.join(source_dir, path)
        original = check(i, source_dir)
        write(full, original.replace(old, new))
        try:
            if not build(build_dir):
                stillborn.append(i)
                verdict = "does not compile"
            elif unit_tests_pass(build_dir):
                survived.append(i)
                verdict = "SURVIVED"
            else:
                killed.append(i)
                verdict = "killed"
        finally:
            write(full, original)
        print("%3d %-16s %-36s %s" % (i, verdict, path, what), flush=True)

    counted = len(killed) + len(survived)
    print("\n%d of %d mutants killed (%.0f%%); %d did not compile; %.0f s" % (
        len(killed), counted, 100.0 * len(killed) / max(counted, 1), len(stillborn),
        time.monotonic() - started))
    if survived:
        print("survivors: " + " ".join(str(i) for i in survived))
    return 0


if __name__ == "__main__":
    sys.exit(main())
