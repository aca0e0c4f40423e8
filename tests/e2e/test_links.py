"""lumora: links under Wine, opened through the shell as a browser hands them over.

Lumora registers the scheme for the current user (HKCU\\Software\\Classes\\lumora). Windows
merges the user's classes into the ones the shell reads; Wine 8's shell reads only
HKLM\\Software\\Classes. So after checking what Lumora wrote under HKCU, this test copies that
key into HKLM itself: only the test does so, never Lumora. Every start goes through the shell
(ShellExecuteEx with the link), through the installed copy of Lumora.exe, with the stand-in
service as proxy to show that nothing is ever sent."""

import os
import shutil
import unittest
import urllib.parse

import harness
from fixture import (DATA_FOLDER, INSTALLED, PASSWORD, SCHEME_COMMAND, SETTINGS_KEY, USER, YOUR_TWEET,
                     LumoraCase)

USER_KEY = "HKCU\\Software\\Classes\\lumora"
SETUP_BUTTON = harness.setup_control_ids()["UpdateRegistryButton"]
WS_VSCROLL = 0x00200000
NOT_UNDERSTOOD = ("This program was started with a link it does not understand. "
                  "Nothing was taken from it.")


def link(text=None, url=None):
    query = []
    if text is not None:
        query.append("text=" + urllib.parse.quote(text, safe="!'()*-._~"))
    if url is not None:
        query.append("url=" + urllib.parse.quote(url, safe="!'()*-._~"))
    return "lumora:post" + ("?" + "&".join(query) if query else "")


class LinkTest(LumoraCase):
    """The registration by Lumora's first start and the links through the shell in one method,
    whose steps depend on each other; the key SetupLumora writes, the status box a link fills
    and the text a link gives, in methods of their own that leave the user's key absent."""

    required = (harness.lumora_exe(), harness.setup_exe())
    standin = "plain"
    accounts = {USER: PASSWORD}

    def setUp(self):
        super().setUp()
        os.makedirs(self.s.unix_path(DATA_FOLDER))
        shutil.copy(harness.lumora_exe(), self.s.unix_path(INSTALLED))
        self.pids = []
        self.addCleanup(self.end_all)

    def end_all(self):
        for pid in self.pids:
            try:
                self.s.driver("kill", str(pid), timeout=15)
            except harness.HarnessError:
                pass  # ended already
        self.s.kill_programs()

    def open(self, target):
        pid = self.s.shell_open(target)
        if pid:
            self.pids.append(pid)
        return pid

    def no_lumora(self):
        return not self.s.windows(cls="LumoraMain") and not self.s.message_boxes()

    def window_after(self, target):
        """(status, long address) in the window a link opened; the window is then closed."""
        self.open(target)
        shown = self.shown_then_closed(self.s.wait_window(cls="LumoraMain", timeout=30))
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))
        return shown

    def refused(self, target):
        self.open(target)
        box = self.wait_box(30)
        self.assertEqual(box[1:], ("Whoops!", NOT_UNDERSTOOD), target[:80])
        self.assertEqual(self.s.windows(cls="LumoraMain"), [])
        self.s.dismiss_message_box(box[0])
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))

    def folder_state(self):
        folder = self.s.unix_path(DATA_FOLDER)
        return {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in os.listdir(folder)}

    def forget_key(self):
        """Leaves the user's key as the next test expects it: absent."""
        self.s.wine("reg", "delete", USER_KEY, "/f", check=False)

    def scheme(self):
        return (self.s.reg_query(USER_KEY),
                self.s.reg_query(USER_KEY + "\\shell\\open\\command"))

    def test_a_copy_elsewhere_leaves_the_key_as_setup_wrote_it(self):
        self.addCleanup(self.forget_key)
        self.forget_key()
        setup = self.s.start(harness.setup_exe())
        hwnd = self.s.wait_window(cls="SetupLumoraForm", timeout=30)
        self.assertIsNotNone(hwnd)
        self.s.click(hwnd, SETUP_BUTTON)
        box = self.wait_box(30, title="THANK YOU - REGISTRY UPDATED?")
        self.s.dismiss_message_box(box[0])
        self.assert_ended(setup, 15)
        written = self.scheme()
        self.assertEqual(written, ({"": ("REG_SZ", "URL:Lumora"), "URL Protocol": ("REG_SZ", "")},
                                   {"": ("REG_SZ", SCHEME_COMMAND)}))

        # The same program from a download folder: it runs, and the key stays as it was.
        elsewhere = "C:\\users\\Public\\Downloads\\Lumora.exe"
        os.makedirs(os.path.dirname(self.s.unix_path(elsewhere)), exist_ok=True)
        shutil.copy(harness.lumora_exe(), self.s.unix_path(elsewhere))
        copy, hwnd = self.launch("from a copy", exe=elsewhere, timeout=30)
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "from a copy")
        self.s.close(hwnd)
        self.assert_ended(copy, 15)
        self.assertEqual(self.scheme(), written)
        self.assertEqual(self.s.message_boxes(), [], "the copy says nothing")

    def test_hidden_lines_show_a_scroll_bar(self):
        self.addCleanup(self.forget_key)
        hidden = ("lumora:post?text=Nice%20article!%0A%0A%0A%0A%0A%0A%0A"
                  "Buy%20followers%20http%3A%2F%2Fspam.example")
        self.s.start(INSTALLED, command_line=SCHEME_COMMAND.replace("%1", hidden))
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=30)
        self.assertIsNotNone(hwnd)
        self.assertTrue(self.wait_counter(hwnd), "the intake never ran")
        self.assertIn("Buy followers", self.s.get_text(hwnd, YOUR_TWEET))
        box = self.s.info(hwnd, YOUR_TWEET)
        self.assertTrue(box["style"] & WS_VSCROLL, "no vertical scroll bar")
        # The bar lies inside the box: its client area is narrower than the box by more than
        # the two borders.
        left, _, right, _ = box["rect"]
        self.assertGreater(right - left - box["client"][2], 10)

    def test_registration_then_links_through_the_shell(self):
        self.assertIsNone(self.s.reg_query(USER_KEY))
        first, hwnd = self.launch("from the clipboard", exe=INSTALLED, timeout=30, intake=False)
        values = self.s.reg_query(USER_KEY)
        self.assertEqual(values, {"": ("REG_SZ", "URL:Lumora"), "URL Protocol": ("REG_SZ", "")})
        self.assertEqual(self.s.reg_query(USER_KEY + "\\shell\\open\\command", ""), SCHEME_COMMAND)
        self.s.close(hwnd)
        self.assert_ended(first, 15)

        # Wine's shell reads only the machine's classes (see the module's comment).
        self.register_scheme_for_the_shell()

        text = "Quotes \" and ' & 100% + #1\nsecond line \u05e9\u05dc\u05d5\u05dd \U0001F600"
        url = "https://example.test/a?b=c&d=e#f"
        self.assertEqual(self.window_after(link(text, url)),
                         (text.replace("\n", "\r\n"), url))
        self.assertEqual(self.s.get_clipboard(), "from the clipboard")
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
        other = self.s.start(INSTALLED, command_line=SCHEME_COMMAND.replace(
            "%1", "http://example.test/post?text=a"))
        box = self.wait_box(30)
        self.assertEqual(box[1:], ("Whoops!", NOT_UNDERSTOOD))
        self.s.dismiss_message_box(box[0])
        self.assert_ended(other, 15)
        long_text = "\U0001F600" * 2499 + "abc"
        self.s.start(INSTALLED, command_line=SCHEME_COMMAND.replace("%1", link(long_text)))
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=30)
        self.assertTrue(self.wait_counter(hwnd))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "\U0001F600" * 70)
        self.s.kill_programs()
        self.assertTrue(harness.wait_until(self.no_lumora, 15, 0.1))

        # A second copy started by a link only says that the first one runs.
        first, hwnd = self.launch("first", exe=INSTALLED, timeout=30, intake=False)
        self.open(link("second"))
        box = self.wait_box(30)
        self.assertEqual(box[1:], ("Whoops!", "This program is already running."))
        self.s.dismiss_message_box(box[0])
        self.assertTrue(harness.wait_until(lambda: self.s.windows(cls="LumoraMain") == [hwnd]))
        self.assertTrue(harness.wait_until(
            lambda: self.s.get_text(hwnd, YOUR_TWEET) == "first", 10, 0.1))
        self.assertEqual(self.service.requests, [], "nothing is sent without a button")

    def test_the_settings_link_opens_only_the_dialog(self):
        """lumora:settings, parameters and all, opens the Service settings dialog over an empty
        window; Cancel leaves every setting as it was, and nothing is sent."""
        self.addCleanup(self.forget_key)
        self.s.set_clipboard("from the clipboard")
        self.s.start(INSTALLED, command_line=SCHEME_COMMAND.replace(
            "%1", "lumora:settings?StatusProtocol=mastodon"))
        dialog = self.s.wait_window(cls="#32770", title="Service settings", timeout=30)
        self.assertIsNotNone(dialog, "the dialog did not open")
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=10)
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "", "the clipboard is not taken")
        self.s.close(dialog)
        self.assertTrue(harness.wait_until(lambda: not self.s.windows(cls="#32770"), 10, 0.1))
        self.assertIsNone(self.s.reg_query(SETTINGS_KEY, "StatusProtocol"))
        self.assertEqual(self.service.requests, [])
        self.s.kill_programs()

    def test_the_text_shown_hides_no_lines_and_no_marks(self):
        """Started with the link on its command line (no shell, no registration needed): the
        box shows every line that is sent, and no mark turns text or address around."""
        self.addCleanup(self.forget_key)
        target = ("lumora:post?text=Nice%20article!%0A%0A%0A%0D%0A%0D%0D%0ABuy%20followers"
                  "%20http%3A%2F%2Fspam.example%E2%80%AE&url=https://example.test/%E2%80%8Bexe.gpj")
        self.s.start(INSTALLED, command_line=SCHEME_COMMAND.replace("%1", target))
        self.assertEqual(self.shown_then_closed(self.s.wait_window(cls="LumoraMain", timeout=30)),
                         ("Nice article!\r\n\r\nBuy followers http://spam.example",
                          "https://example.test/exe.gpj"))


if __name__ == "__main__":
    unittest.main()
