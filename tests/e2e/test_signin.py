"""Signing in to a Mastodon-compatible server in a real browser, under Wine.

Lumora's Sign in… asks the shell to open the server's authorize address; this session's shell
writes the address down instead of starting a browser (browser.record_opened_addresses).
Debian's headless Chromium then opens it through the TLS stand-in, presses Authorize and
follows the redirect to Lumora's own listener on 127.0.0.1. The dialog shows the account, a
post carries the token, Sign out revokes it and forgets it, and the token's text is in no file
of the prefix nor in its registry. The cases that need the real listener follow: a state that
does not match, the user's "no", a request that is not the callback, a second request, and the
dialog closed half-way; and the server's refusals: no /api/v1/apps, registration throttled, the
code refused, a redirect to another host. One Wine session and one stand-in for the suite."""

import os
import re
import unittest
import urllib.parse
import urllib.request

import browser
import harness
from fixture import SEND_TWEET_BUTTON, YOUR_PASSWORD, YOUR_USER_NAME, LumoraCase
from test_settings import DIALOG_TITLE, MASTODON, MENU_ACCESS_KEY, STATUS_ADDRESS
import tls_standin  # found through the fixture

HOST = tls_standin.STATUS_HOST
TYPED = "https://" + HOST  # what the user types for the server
ACCOUNT = "@alice@" + HOST
SIGNED_IN = "Signed in as " + ACCOUNT
SIGN_IN, SIGN_OUT = "Sign in", "Sign out"
IDCANCEL = 2
CREDENTIALS_KEY = "HKCU\\Software\\Wine\\Credential Manager"


def caption(text):
    """A button's words without its access key mark and dots."""
    return text.replace("&", "").rstrip(".\u2026").strip()


class SignInTest(LumoraCase):
    standin = "tls"
    fresh_settings = True

    @classmethod
    def start_services(cls):
        why = browser.missing_browser()
        if why:
            raise unittest.SkipTest(why)
        return super().start_services()

    @classmethod
    def prepare(cls):
        cls.service.mastodon_hosts.add(HOST)
        cls.addresses = browser.record_opened_addresses(cls.s)

    def setUp(self):
        super().setUp()
        open(self.addresses, "w").close()
        self.s.wine("reg", "delete", CREDENTIALS_KEY, "/f", check=False)

    # --- the dialog ------------------------------------------------------------------------

    def open_dialog(self, hwnd):
        self.s.choose_system_menu_item(hwnd, MENU_ACCESS_KEY)
        dialog = self.s.wait_window(cls="#32770", title=DIALOG_TITLE, timeout=10)
        self.assertIsNotNone(dialog, "the dialog did not open")
        return dialog

    def button(self, dialog, words):
        """The id of the dialog's button with those words."""
        found = [c["id"] for c in self.s.controls(dialog)
                 if c["class"].lower() == "button" and caption(c["text"]) == words]
        self.assertTrue(found, "no %r button" % words)
        return found[0]

    def dialog_says(self, dialog, text, timeout=30):
        """Whether some control of the dialog shows `text`, waiting for it."""
        return harness.wait_until(
            lambda: any(text in c["text"] for c in self.s.controls(dialog)),
            timeout)

    def sign_in(self, hwnd, typed=TYPED, opens=True):
        """Opens the dialog, types the server and presses Sign in…: (dialog, the address the
        shell was asked to open, or None without waiting when it `opens` none)."""
        dialog = self.open_dialog(hwnd)
        self.s.click(dialog, MASTODON)
        self.s.set_text(dialog, STATUS_ADDRESS, typed)
        count = len(browser.opened(self.addresses)) + 1
        self.s.click(dialog, self.button(dialog, SIGN_IN))
        if not opens:
            return dialog, None
        address = browser.wait_opened(self.addresses, count)
        self.assertIsNotNone(address, "Lumora opened no address")
        return dialog, address

    def in_browser(self, address, button="Authorize"):
        result = browser.authorize(self.service.port, address, button)
        self.assertNotIn("error", result, result)
        self.assertEqual(result["title"], "Authorization required")
        return result

    def refused_with_a_box(self, dialog):
        """The text of the box that ends a sign-in (any #32770 window but the dialog), closed;
        the dialog is still open and not signed in."""
        boxes = harness.wait_until(
            lambda: [b for b in self.s.message_boxes() if b[0] != dialog and b[2]],
            15)
        self.assertTrue(boxes, "no box")
        self.s.dismiss_message_box(boxes[0][0])
        self.assertTrue(self.s.is_visible(dialog))
        self.assertFalse(self.dialog_says(dialog, "Signed in", timeout=0))
        return boxes[0][2]

    # --- what is kept ----------------------------------------------------------------------

    def credentials(self):
        """The names of the generic credentials Wine keeps for the user."""
        listed = self.s.wine("reg", "query", CREDENTIALS_KEY, check=False).stdout
        return re.findall(r"\\Generic: ([^\r\n]*)", listed)

    def files_holding(self, *texts):
        """{text: files} for each of `texts`: the files of the prefix, and exports of the
        registry as it is now (Wine writes its registry files late), that hold the text as
        bytes, as UTF-16 or as hexadecimal bytes (a binary registry value)."""
        exports = []
        for hive in ("HKCU", "HKLM"):
            exports.append(self.s.temp_file(".reg"))
            self.s.wine("reg", "export", hive, harness.windows_path(exports[-1]), "/y")
        paths = exports + [os.path.join(root, name) for root, _, names in os.walk(self.s.prefix)
                           for name in names if not os.path.islink(os.path.join(root, name))]
        needles = {text: _forms(text) for text in texts}
        found = {text: [] for text in texts}
        for path in paths:
            data = _contents(path)
            for text, forms in needles.items():
                if any(form in data for form in forms):
                    found[text].append(path)
        return found

    # --- tests -----------------------------------------------------------------------------

    def test_sign_in_post_and_sign_out_leave_no_token_behind(self):
        program, hwnd = self.launch("signed in")
        dialog, address = self.sign_in(hwnd)
        query = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(address).query))
        self.assertTrue(address.startswith("https://%s/oauth/authorize?" % HOST), address)
        self.assertEqual(query["code_challenge_method"], "S256")
        self.assertTrue(re.fullmatch(r"http://127\.0\.0\.1:\d+/callback", query["redirect_uri"]))

        landed = self.in_browser(address)
        self.assertTrue(landed["landed"].startswith(query["redirect_uri"] + "?code="), landed)
        self.assertTrue(self.dialog_says(dialog, SIGNED_IN), "the dialog never said who")
        [token] = self.service.oauth_tokens
        self.assertEqual(
            self.service.wait_for_request("verify_credentials", authorized=True)["token"], token)
        # The listener took one request: the same callback again reaches nobody.
        with self.assertRaises(OSError):
            direct(landed["landed"])
        self.assertEqual(self.endpoints().count("token"), 1)
        self.assertEqual(len(self.credentials()), 1)
        [client_id] = self.service.oauth_apps

        self.s.click(dialog, harness.IDOK)
        self.assertTrue(harness.wait_until(lambda: not self.s.is_visible(dialog)))
        self.assertEqual(self.s.get_text(hwnd, YOUR_USER_NAME), ACCOUNT)
        self.assertNotIn(token, self.s.get_text(hwnd, YOUR_PASSWORD))
        self.press(hwnd, SEND_TWEET_BUTTON)
        post = self.service.wait_for_request("mastodon", authorized=True)
        self.assertEqual(post["token"], token)
        self.assert_ended(program)
        # Signed in, the search finds what Lumora keeps in the clear (its registration with the
        # server), and never the token.
        found = self.files_holding(client_id, token)
        self.assertTrue(found[client_id], "the search sees nothing")
        self.assertEqual(found[token], [])

        # The next start finds the account where Windows keeps secrets, and signs out.
        program, hwnd = self.launch("signing out")
        self.assertEqual(self.s.get_text(hwnd, YOUR_USER_NAME), ACCOUNT)
        dialog = self.open_dialog(hwnd)
        self.assertTrue(self.dialog_says(dialog, SIGNED_IN))
        self.s.click(dialog, self.button(dialog, SIGN_OUT))
        revoked = self.service.wait_for_request("revoke")
        self.assertEqual(revoked["oauth"]["token"], token)
        self.assertTrue(harness.wait_until(lambda: not self.credentials()), self.credentials())
        self.assertEqual(self.service.revoked_tokens, [token])
        self.assertTrue(self.dialog_says(dialog, "Not signed in."), "still signed in")
        self.s.click(dialog, harness.IDOK)

        self.assertEqual(self.files_holding(token)[token], [])
        self.assertTrue(program.running())

    def test_a_sign_in_that_goes_wrong_keeps_nothing(self):
        program, hwnd = self.launch("hostile")

        def forged_state(dialog, address):
            self.in_browser(re.sub(r"([?&]state=)[^&]*", r"\1forged", address))
            self.refused_with_a_box(dialog)

        def no(dialog, address):
            self.in_browser(address, "Deny")
            self.refused_with_a_box(dialog)

        def not_the_callback(dialog, address):
            callback = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(address).query))[
                "redirect_uri"]
            try:
                direct(callback.replace("/callback", "/favicon.ico"))
            except OSError:
                pass  # answered with an error or dropped: either ends the listener
            self.refused_with_a_box(dialog)
            self.assertNotIn("close this tab", self.in_browser(address)["text"])

        def closed_half_way(dialog, address):
            self.s.click(dialog, IDCANCEL)
            self.assertTrue(harness.wait_until(lambda: not self.s.is_visible(dialog)))
            self.assertNotIn("close this tab", self.in_browser(address)["text"])
            self.assertTrue(self.s.no_message_box_within(2))

        def refused(dialog, address):
            self.in_browser(address)
            self.refused_with_a_box(dialog)

        def refused_before_the_browser(dialog, address):
            self.refused_with_a_box(dialog)
            self.assertEqual(browser.opened(self.addresses), opened)

        # (what happens, the server as the user typed it, how the stand-in answers). Lumora
        # registers once per server: the refused registrations come first.
        cases = [(refused_before_the_browser, TYPED, mode)
                 for mode in ("no_apps", "apps_throttled", "redirect_apps")]
        cases += [(forged_state, ACCOUNT, "ok"), (no, HOST, "ok"), (not_the_callback, TYPED, "ok"),
                  (closed_half_way, TYPED, "ok"), (refused, TYPED, "code_refused"),
                  (refused, TYPED, "redirect_token")]
        for case, typed, mode in cases:
            with self.subTest(case.__name__, mode=mode):
                self.service.clear()
                self.service.oauth_mode = mode
                opened = browser.opened(self.addresses)
                try:
                    case(*self.sign_in(hwnd, typed, case is not refused_before_the_browser))
                    if mode == "ok":
                        self.assertEqual(self.endpoints().count("token"), 0)
                    self.assertEqual(self.service.oauth_tokens, {})
                    self.assertEqual(self.credentials(), [])
                    self.assertNotIn("elsewhere.test", [t["host"] for t in self.service.tunnels])
                finally:
                    for window in self.s.windows(cls="#32770"):  # Cancel whatever is open
                        self.s.close(window)
                    harness.wait_until(lambda: not self.s.windows(cls="#32770"))
        self.assertTrue(program.running())


def direct(address):
    """GET `address` on this computer, never through a proxy."""
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(address, timeout=10) as reply:
        return reply.read()


def _forms(text):
    forms = []
    for raw in (text.encode(), text.encode("utf-16-le")):
        pairs = ",".join("%02x" % b for b in raw)
        forms += [raw, pairs.encode(), pairs.encode("utf-16-le")]
    return forms


def _contents(path):
    """A file's bytes, with the line breaks of a registry file's long values taken out."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return b""
    data = re.sub(rb"\\\r?\n\s*", b"", data)
    return re.sub(rb"\\\x00\r\x00\n\x00(?:\s\x00)*", b"", data)


if __name__ == "__main__":
    unittest.main()
