"""The bookmarklet in a real browser, its links handed to Lumora under Wine.

SetupLumora writes Lumora-bookmarklet.htm under Wine; its link is run in Debian's headless
Chromium (driven by tests/browser/capture_links.js through puppeteer-core) on pages served
from 127.0.0.1, each with a selection. The lumora: link the browser tries to open is compared
with the one expected, then opened through Wine's shell, and Lumora's window must show the
selection and the page's address. As in test_links, the test itself copies the user's scheme
key into HKLM, the only place Wine 8's shell looks."""

import html
import http.server
import json
import os
import re
import subprocess
import threading
import unittest
import urllib.parse

import harness
from browser import BROWSER_DIR, CHROMIUM, missing_browser
from fixture import DATA_FOLDER, INSTALLED, SCHEME_COMMAND, LumoraCase

LIMIT = 1999  # every link stays under 2,000 characters
SHELL_LIMIT = 900
USER_COMMAND_KEY = "HKCU\\Software\\Classes\\lumora\\shell\\open\\command"

EMOJI = "\U0001F600"
# name -> (page body, selection: None or (in the frame?, first id, last id), selected text).
# The selected text is what Chromium's getSelection() gives for that selection.
CASES = {
    "plain": ('<p id="a">Hello from a plain page.</p>', (False, "a", "a"),
              "Hello from a plain page."),
    "quotes": ('<p id="a">He said &quot;yes&quot; and \'no\'</p>', (False, "a", "a"),
               "He said \"yes\" and 'no'"),
    "signs": ('<p id="a">Tom &amp; Jerry: 100% +1 #tag a=b?c</p>', (False, "a", "a"),
              "Tom & Jerry: 100% +1 #tag a=b?c"),
    "lines": ('<p id="a">line one<br>line two</p><p id="b">line three</p>', (False, "a", "b"),
              "line one\nline two\n\nline three"),
    "rtl": ('<p id="a" dir="rtl">\u05e9\u05dc\u05d5\u05dd \u0645\u0631\u062d\u0628\u0627</p>',
            (False, "a", "a"), "\u05e9\u05dc\u05d5\u05dd \u0645\u0631\u062d\u0628\u0627"),
    "pairs": ('<p id="a">%s</p>' % ("a" + EMOJI * 400), (False, "a", "a"), "a" + EMOJI * 400),
    "long": ('<p id="a">%s</p>' % ("x" * 10000), (False, "a", "a"), "x" * 10000),
    "elements": ('<div><h2 id="a">Title</h2><p>first <b>bold</b> <i>italic</i></p>'
                 '<ul><li id="b">item</li></ul></div>', (False, "a", "b"),
                 "Title\nfirst bold italic\n\nitem"),
    "frame": ('<iframe srcdoc="<p id=&quot;a&quot;>inside a frame</p>"></iframe>',
              (True, "a", "a"), "inside a frame"),
    "nothing": ('<p id="a">Nothing of this is selected.</p>', None, ""),
    "spaces and tabs": ('<pre id="a">\n  cell\tnext\t \n</pre>', (False, "a", "a"),
                        "  cell\tnext\t \n"),  # the parser drops the first line break
    # A browser writes ' as %27: the cut must count it so, or the link grows past the limit.
    "quotes at the cut": ('<p id="a">%s</p>' % ("'" * 1000), (False, "a", "a"), "'" * 1000),
}
LONG_ADDRESS_QUERY = "?q=" + "y" * 2100

class Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path.strip("/"))
        body = CASES.get(name, ("<p>?</p>",))[0]
        page = ('<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s</title></head>'
                '<body>%s</body></html>' % (name, body)).encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    def log_message(self, *args):
        pass


def encode(text):
    """encodeURIComponent, with "'" written as %27 as browsers hand it over."""
    return urllib.parse.quote(text, safe="!()*-._~")


def expected_link(selected, address, title):
    """The link for that selection on that page: the longest whole-character start of the
    selection that keeps the link under the limit; the title (100 characters) dropped when it
    does not fit with the address, the address when it alone does not fit."""
    text = re.sub(r"[\x00-\x08\x0b\x0c\x0e-\x1f\x7f-\x9f]", "", selected.replace("\t", " "))
    text = text.strip()
    title = re.sub(r"[\x00-\x1f\x7f-\x9f]", "", title).strip()[:100].strip()
    head = "lumora:post?text="
    tail = "&url=" + encode(address)
    if title and len(head + tail + "&title=" + encode(title)) <= LIMIT:
        tail += "&title=" + encode(title)
    if len(head + tail) > LIMIT:
        tail = ""
    n = len(text)
    while len(head + encode(text[:n]) + tail) > LIMIT:
        n -= 1
    return head + encode(text[:n]) + tail


def status_shown(text):
    """What Lumora's status box holds for a link's text: CR LF line breaks, spaces trimmed,
    at most 140 UTF-16 units without half a character or half a line break."""
    text = re.sub(r"\r\n|\r|\n", "\r\n", text).strip(" ")
    units = text.encode("utf-16-le")
    if len(units) <= 280:
        return text
    cut = units[:280].decode("utf-16-le", "ignore")
    return cut[:-1] if cut.endswith("\r") else cut


class BookmarkletTest(LumoraCase):
    required = (harness.lumora_exe(), harness.setup_exe())

    @classmethod
    def start_services(cls):
        why = missing_browser()
        if why:
            raise unittest.SkipTest(why)
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.addClassCleanup(cls.server.shutdown)
        return None

    def test_selections_reach_lumora_from_chromium(self):
        # SetupLumora writes the page and Lumora.exe; its window is not needed.
        setup = self.s.start(harness.setup_exe())
        self.assertIsNotNone(self.s.wait_window(cls="SetupLumoraForm", timeout=30))
        setup.kill()
        with open(self.s.unix_path(DATA_FOLDER + "\\Lumora-bookmarklet.htm"), "rb") as f:
            page = f.read().decode("ascii")
        bookmarklet = html.unescape(re.search(r'href="([^"]*)"', page).group(1))
        self.assertTrue(bookmarklet.startswith("javascript:"))

        # The first start registers the scheme for the user; Wine's shell needs it in HKLM.
        first, hwnd = self.launch("first start", exe=INSTALLED, timeout=30, intake=False)
        self.s.close(hwnd)
        self.assert_ended(first, 15)
        self.assertEqual(self.s.reg_query(USER_COMMAND_KEY, ""), SCHEME_COMMAND)
        self.register_scheme_for_the_shell()

        base = "http://127.0.0.1:%d/" % self.server.server_address[1]
        cases = [(name, base + urllib.parse.quote(name), sel, text)
                 for name, (_, sel, text) in CASES.items()]
        cases.append(("long address", base + "plain" + LONG_ADDRESS_QUERY, (False, "a", "a"),
                      CASES["plain"][2]))
        links = self.capture(bookmarklet, [(address, sel) for _, address, sel, _ in cases])

        for (name, address, _, selected), captured in zip(cases, links):
            with self.subTest(name):
                self.assertIn("link", captured, captured)
                link = captured["link"]
                self.assertLess(len(link), 2000)
                title = "plain" if name == "long address" else name
                self.assertEqual(link, expected_link(selected, address, title))
                params = dict(urllib.parse.parse_qsl(link.split("?", 1)[1],
                                                     keep_blank_values=True))
                shown = self.open_in_lumora(link)
                self.assertEqual(shown, (status_shown(params.get("text", "")),
                                         params.get("url", "")))
                if name != "long address":
                    self.assertEqual(shown[1], address)
        # The cut cases keep a prefix of the selection.
        self.assertTrue(CASES["pairs"][2].startswith(
            urllib.parse.unquote(links[list(CASES).index("pairs")]["link"]
                                 .split("text=")[1].split("&url=")[0])))

    def capture(self, bookmarklet, cases):
        code = self.s.temp_file(".js.txt")
        with open(code, "w", encoding="utf-8") as f:
            f.write(bookmarklet)
        cases_path = self.s.temp_file(".json")
        with open(cases_path, "w", encoding="utf-8") as f:
            json.dump([{"page": address,
                        "select": sel and {"frame": sel[0], "ids": [sel[1], sel[2]]}}
                       for address, sel in cases], f)
        result = subprocess.run(
            ["node", os.path.join(BROWSER_DIR, "capture_links.js"), CHROMIUM, code, cases_path],
            capture_output=True, text=True, timeout=180, cwd=BROWSER_DIR)
        self.assertEqual(result.returncode, 0, result.stderr[-3000:])
        links = json.loads(result.stdout.strip().splitlines()[-1])
        self.assertEqual(len(links), len(cases))
        return links

    def open_in_lumora(self, link):
        """(status, long address) of the window that opening `link` shows: through the shell,
        or for a link of 900 characters or more (Wine 8's shell crashes on those; Windows'
        does not) through the registered command with the link put in, as the shell would."""
        pid = None
        if len(link) < SHELL_LIMIT:
            pid = self.s.shell_open(link)
        else:
            command = self.s.reg_query(USER_COMMAND_KEY, "")
            self.s.start(INSTALLED, command_line=command.replace("%1", link))
        try:
            return self.shown_then_closed(self.s.wait_window(cls="LumoraMain", timeout=30))
        finally:
            self.s.kill_programs()
            if pid:
                try:
                    self.s.driver("kill", str(pid), timeout=15)
                except harness.HarnessError:
                    pass


if __name__ == "__main__":
    unittest.main()
