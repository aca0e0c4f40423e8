"""lumora: links under Wine, opened through the shell as a browser hands them over.

Lumora registers the scheme for the current user (HKCU\\Software\\Classes\\lumora). Windows
merges the user's classes into the ones the shell reads; Wine 8's shell reads only
HKLM\\Software\\Classes. So after checking what Lumora wrote under HKCU, this test copies that
key into HKLM itself: only the test does so, never Lumora. Every start goes through the shell
(ShellExecuteEx with the link), through the installed copy of Lumora.exe, with the stand-in
service as proxy to show that nothing is ever sent."""

import os
import shutil
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "standin"))
import lumora_standin  # noqa: E402

IDS = harness.lumora_control_ids()
YOUR_TWEET, THE_LONG_URL, LLEN = IDS["YourTweet"], IDS["TheLongURL"], IDS["LLEN"]

FOLDER = "C:\\Program Files\\Kestrova"
INSTALLED = FOLDER + "\\Lumora.exe"
USER_KEY = "HKCU\\Software\\Classes\\lumora"
MACHINE_KEY = "HKLM\\Software\\Classes\\lumora"
COMMAND = '"%s" "%%1"' % INSTALLED
NOT_UNDERSTOOD = ("This program was started with a link it does not understand. "
                  "Nothing was taken from it.")

session = None
service = None


def setUpModule():
    global session, service
    harness.require_built(harness.lumora_exe(), harness.driver_exe())
    service = lumora_standin.StandIn(accounts={"demo": "secret"}).start()
    session = harness.WineSession(http_proxy=service.proxy_url).start()
    os.makedirs(session.unix_path(FOLDER), exist_ok=True)
    shutil.copy(harness.lumora_exe(), session.unix_path(INSTALLED))


def tearDownModule():
    if session is not None:
        session.stop()
    if service is not None:
        service.stop()


def link(text=None, url=None):
    query = []
    if text is not None:
        query.append("text=" + urllib.parse.quote(text, safe="!'()*-._~"))
    if url is not None:
        query.append("url=" + urllib.parse.quote(url, safe="!'()*-._~"))
    return "lumora:post" + ("?" + "&".join(query) if query else "")


class LinkTest(unittest.TestCase):
    """The registration test's steps depend on each other (registration, then the shell)."""

    def setUp(self):
        self.pids = []
        self.addCleanup(self.end_all)

    def end_all(self):
        for pid in self.pids:
            try:
                session.driver("kill", str(pid), timeout=15)
            except harness.HarnessError:
                pass  # ended already
        session.kill_programs()

    def open(self, target):
        pid = session.shell_open(target)
        if pid:
            self.pids.append(pid)
        return pid

    def no_lumora(self):
        return not session.windows(cls="LumoraMain") and not session.message_boxes()

    def window_after(self, target):
        """(status, long address) in the window a link opened; the window is then closed."""
        self.open(target)
        hwnd = session.wait_window(cls="LumoraMain", timeout=30)
        self.assertIsNotNone(hwnd, "no window for " + target[:80])
        self.assertTrue(harness.wait_until(
            lambda: "Characters." in session.get_text(hwnd, LLEN), 10, 0.1))
        shown = session.get_text(hwnd, YOUR_TWEET), session.get_text(hwnd, THE_LONG_URL)
        session.close(hwnd)
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))
        return shown

    def refused(self, target):
        self.open(target)
        box = session.wait_message_box(timeout=30)
        self.assertIsNotNone(box, "no box for " + target[:80])
        self.assertEqual(box[1:], ("Whoops!", NOT_UNDERSTOOD), target[:80])
        self.assertEqual(session.windows(cls="LumoraMain"), [])
        session.dismiss_message_box(box[0])
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))

    def folder_state(self):
        folder = session.unix_path(FOLDER)
        return {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in os.listdir(folder)}

    def test_registration_then_links_through_the_shell(self):
        self.assertIsNone(session.reg_query(USER_KEY))
        session.set_clipboard("from the clipboard")
        first = session.start(INSTALLED)
        hwnd = session.wait_window(cls="LumoraMain", timeout=30)
        self.assertIsNotNone(hwnd)
        values = session.reg_query(USER_KEY)
        self.assertEqual(values, {"": ("REG_SZ", "URL:Lumora"), "URL Protocol": ("REG_SZ", "")})
        self.assertEqual(session.reg_query(USER_KEY + "\\shell\\open\\command", ""), COMMAND)
        session.close(hwnd)
        self.assertIsNotNone(first.wait_exit(15))

        # Wine's shell reads only the machine's classes (see the module's comment).
        for key, name, data in ((MACHINE_KEY, None, "URL:Lumora"),
                                (MACHINE_KEY, "URL Protocol", ""),
                                (MACHINE_KEY + "\\shell\\open\\command", None, COMMAND)):
            session.wine("reg", "add", key, *(["/v", name] if name else ["/ve"]),
                         "/t", "REG_SZ", "/d", data, "/f")

        text = "Quotes \" and ' & 100% + #1\nsecond line \u05e9\u05dc\u05d5\u05dd \U0001F600"
        url = "https://example.test/a?b=c&d=e#f"
        self.assertEqual(self.window_after(link(text, url)),
                         (text.replace("\n", "\r\n"), url))
        self.assertEqual(session.get_clipboard(), "from the clipboard")
        self.assertEqual(self.window_after("LUMORA:post?text=upper"), ("upper", ""))
        self.assertEqual(self.window_after("lumora:post"), ("", ""))
        self.assertEqual(self.window_after('lumora:post?text=a" "--x'), ('a" "--x', ""))

        before = self.folder_state()
        for hostile in ("lumora:post?text=a&text=b", "lumora:post?text=%4G",
                        "lumora:post?text=a%00b", "lumora:post?text=%C0%AF",
                        "lumora:post?text=%ED%A0%80", "lumora:delete?text=a"):
            self.refused(hostile)
        self.assertEqual(self.folder_state(), before, "a refused link wrote something")

        # Another scheme, and a link of 30,000 characters, through the registered command
        # (Wine 8's shell crashes on links of about 1,000 characters and more; Windows' does
        # not). Longer links cannot reach any program: a command line ends at 32,767.
        other = session.start(INSTALLED, command_line=COMMAND.replace(
            "%1", "http://example.test/post?text=a"))
        box = session.wait_message_box(timeout=30)
        self.assertEqual(box[1:], ("Whoops!", NOT_UNDERSTOOD))
        session.dismiss_message_box(box[0])
        self.assertIsNotNone(other.wait_exit(15))
        long_text = "\U0001F600" * 2499 + "abc"
        session.start(INSTALLED, command_line=COMMAND.replace("%1", link(long_text)))
        hwnd = session.wait_window(cls="LumoraMain", timeout=30)
        self.assertTrue(harness.wait_until(
            lambda: "Characters." in session.get_text(hwnd, LLEN), 10, 0.1))
        self.assertEqual(session.get_text(hwnd, YOUR_TWEET), "\U0001F600" * 70)
        session.kill_programs()
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))

        # A second copy started by a link only says that the first one runs.
        session.set_clipboard("first")
        first = session.start(INSTALLED)
        hwnd = session.wait_window(cls="LumoraMain", timeout=30)
        self.open(link("second"))
        box = session.wait_message_box(timeout=30)
        self.assertEqual(box[1:], ("Whoops!", "This program is already running."))
        session.dismiss_message_box(box[0])
        self.assertTrue(harness.wait_until(lambda: session.windows(cls="LumoraMain") == [hwnd]))
        self.assertTrue(harness.wait_until(
            lambda: session.get_text(hwnd, YOUR_TWEET) == "first", 10, 0.1))
        self.assertEqual(service.requests, [], "nothing is sent without a button")

    def test_the_text_shown_hides_no_lines_and_no_marks(self):
        """Started with the link on its command line (no shell, no registration needed): the
        box shows every line that is sent, and no mark turns text or address around."""
        target = ("lumora:post?text=Nice%20article!%0A%0A%0A%0D%0A%0D%0D%0ABuy%20followers"
                  "%20http%3A%2F%2Fspam.example%E2%80%AE&url=https://example.test/%E2%80%8Bexe.gpj")
        session.start(INSTALLED, command_line=COMMAND.replace("%1", target))
        hwnd = session.wait_window(cls="LumoraMain", timeout=30)
        self.assertIsNotNone(hwnd)
        self.assertTrue(harness.wait_until(
            lambda: "Characters." in session.get_text(hwnd, LLEN), 10, 0.1))
        self.assertEqual(
            (session.get_text(hwnd, YOUR_TWEET), session.get_text(hwnd, THE_LONG_URL)),
            ("Nice article!\r\n\r\nBuy followers http://spam.example",
             "https://example.test/exe.gpj"))
        session.close(hwnd)
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))


if __name__ == "__main__":
    unittest.main()
