"""What every end-to-end suite shares: its Wine session and stand-in, started once for the
TestCase class, and the steps its tests repeat (starting Lumora with settings, pressing a button
and reading the box that follows, checking what the stand-in received).

A suite's class names what it needs in class attributes and uses self.s (the WineSession) and
self.service (the stand-in, or None):

    class WebTest(fixture.LumoraCase):
        standin = "plain"                 # None, "plain" or "tls"
        accounts = {"demo": "secret"}

        def test_...(self):
            program, hwnd = self.launch(user="demo", password="secret", tweet="hello")
            title, text = self.press(hwnd, fixture.SEND_TWEET_BUTTON)

Each test starts with no program running and the stand-in as the class left it after
prepare(): its records cleared and every setting a test may have changed put back. The suites
run from tests/e2e (as ctest runs them), where this module, harness and the stand-ins are found
without changes to sys.path by the suites themselves."""

import copy
import os
import shutil
import sys
import unittest

import harness

sys.path.insert(0, os.path.join(harness.REPO, "tests", "standin"))
import lumora_standin  # noqa: E402
import tls_standin  # noqa: E402

IDS = harness.lumora_control_ids()
YOUR_USER_NAME, YOUR_PASSWORD = IDS["YourUserName"], IDS["YourPassword"]
THE_LONG_URL, CREATE_TINY_URL_BUTTON = IDS["TheLongURL"], IDS["CreateTinyURLButton"]
SEND_TWEET_BUTTON, YOUR_TWEET, LLEN = IDS["SendTweetButton"], IDS["YourTweet"], IDS["LLEN"]
LABEL1, LABEL2, LABEL3, LABEL4 = IDS["Label1"], IDS["Label2"], IDS["Label3"], IDS["Label4"]
PICTURE1, FRAME1 = IDS["Picture1"], IDS["Frame1"]

SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
DATA_FOLDER = "C:\\Program Files\\Kestrova"
INSTALLED = DATA_FOLDER + "\\Lumora.exe"
SCHEME_COMMAND = '"%s" "%%1"' % INSTALLED
SUCCESS = ("Congratulations!", "Your Tweet was sent successfully to all of your followers!")
NO_LINK_TEXT = "Sorry - there's been a problem with the URL you submitted!"
USER, PASSWORD = "demo", "secret"  # the stand-in's account where a suite needs no other
# Services that exist today, as the stand-in imitates them.
FRIENDICA_ADDRESS = "http://friendica.example/api/statuses/update.xml"
SHORTENER_ADDRESS = "http://short.example/create.php?format=simple&url={url}"

# Stand-in attributes that are the server itself, not settings a test changes.
_NOT_SETTINGS = {"stopping", "authority"}


class WineCase(unittest.TestCase):
    """One Wine session for the class in self.s, and with `standin` the stand-in in
    self.service, which the session's programs reach as their proxy ("tls": the TLS-capable
    one, whose test authority only this session's prefix trusts)."""

    required = ()  # programs the suite runs, besides the driver; skipped when one is missing
    standin = None
    accounts = {}
    authority = None
    service = None
    session_env = None  # environment variables for the session's programs, such as LANG

    @classmethod
    def setUpClass(cls):
        harness.require_built(*cls.required)
        proxy = cls.start_services()
        cls.s = harness.WineSession(http_proxy=proxy, env=cls.session_env).start()
        cls.addClassCleanup(cls.s.stop)
        if cls.authority is not None:
            cls.s.wine("reg", "import", harness.windows_path(cls.authority.root_store_reg()))
        cls.prepare()
        if cls.service is not None:
            cls._service_settings = {
                name: copy.deepcopy(value) for name, value in vars(cls.service).items()
                if not name.startswith("_") and name not in _NOT_SETTINGS}

    @classmethod
    def start_services(cls):
        """Starts what the session talks to; returns the proxy address for the session."""
        if cls.standin is None:
            return None
        if cls.standin == "tls":
            cls.authority = tls_standin.TestAuthority()
            cls.addClassCleanup(cls.authority.close)
            cls.service = tls_standin.TlsStandIn(cls.authority, accounts=cls.accounts)
        else:
            cls.service = lumora_standin.StandIn(accounts=cls.accounts)
        cls.service.start()
        cls.addClassCleanup(cls.service.stop)
        return cls.service.proxy_url

    @classmethod
    def prepare(cls):
        """Once the session runs: what the suite's tests all start from."""

    def setUp(self):
        self.s.kill_programs()
        self.addCleanup(self.s.kill_programs)
        if self.service is not None:
            for name, value in self._service_settings.items():
                setattr(self.service, name, copy.deepcopy(value))
            self.service.clear()

    # --- message boxes ---------------------------------------------------------------------

    def wait_box(self, timeout=20, title=None):
        """(hwnd, title, text) of a message box, once its text is in place (a box may be caught
        before its text is set, often so under emulation)."""
        box = self.s.wait_message_box(title=title, timeout=timeout)
        self.assertIsNotNone(box, "no message box")
        filled = harness.wait_until(
            lambda: [b for b in self.s.message_boxes() if b[0] == box[0] and b[2]], timeout=5)
        self.assertTrue(filled, "the message box stayed empty")
        return filled[0]

    def press(self, hwnd, button, timeout=20):
        """Clicks the button and returns the (title, text) of the box that follows, closed."""
        self.s.click(hwnd, button)
        box = self.wait_box(timeout)
        self.s.dismiss_message_box(box[0])
        return box[1], box[2]

    def assert_ended(self, program, timeout=10):
        self.assertIsNotNone(program.wait_exit(timeout), "the program did not end")

    # --- what crossed the wire -------------------------------------------------------------

    def assert_never_sent(self, heads, *names):
        """No header list in `heads` (lists of (name, value)) holds a header of those names."""
        for number, headers in enumerate(heads):
            sent = {name.lower() for name, _ in headers}
            for name in names:
                self.assertNotIn(name, sent, "request head %d" % number)

    def endpoints(self):
        return [r["endpoint"] for r in self.service.requests]


class LumoraCase(WineCase):
    """Lumora's window: each test starts without its data folder and, with `fresh_settings`,
    without values under its key."""

    required = (harness.lumora_exe(),)
    fresh_settings = False

    def setUp(self):
        super().setUp()
        shutil.rmtree(self.s.unix_path(DATA_FOLDER), ignore_errors=True)
        if self.fresh_settings:
            self.s.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)

    def set_values(self, kind="REG_SZ", **values):
        """Values under Lumora's key, set with `reg add` (read by Lumora when it starts)."""
        for name, value in values.items():
            self.s.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", kind, "/d", value, "/f")

    def launch(self, clipboard="clipboard text", user=None, password=None, tweet=None,
               long_url=None, timeout=20, intake=True, exe=None, **start_options):
        """Starts Lumora with that clipboard text (None: an empty clipboard) and returns
        (program, window handle); with intake, once the clipboard has been taken in, and then
        with the boxes given filled in."""
        if clipboard is None:
            self.s.clear_clipboard()
        else:
            self.s.set_clipboard(clipboard)
        program = self.s.start(exe or harness.lumora_exe(), **start_options)
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=timeout)
        self.assertIsNotNone(hwnd, "LumoraMain did not show")
        if intake:
            self.assertTrue(self.wait_counter(hwnd), "the clipboard intake never ran")
        self.set_boxes(hwnd, user, password, tweet, long_url)
        return program, hwnd

    def set_boxes(self, hwnd, user=None, password=None, tweet=None, long_url=None):
        """Sets the boxes given (WM_SETTEXT, past any input limit)."""
        for box, text in ((YOUR_USER_NAME, user), (YOUR_PASSWORD, password),
                          (YOUR_TWEET, tweet), (THE_LONG_URL, long_url)):
            if text is not None:
                self.s.set_text(hwnd, box, text)

    def read(self, hwnd, control_id):
        """The control's text, or None while Lumora is inside a request: the window does not
        answer then, and an exchange under emulation outlasts the driver's wait."""
        try:
            return self.s.get_text(hwnd, control_id)
        except harness.HarnessError as error:
            if "timed out" not in str(error):
                raise
            return None

    def wait_counter(self, hwnd, timeout=10):
        """LLEN's caption once the intake has run (it shows "0" before); "" if it never does."""

        def caption():
            text = self.read(hwnd, LLEN) or ""
            return text if "Characters." in text else ""

        return harness.wait_until(caption, timeout=timeout, interval=0.1)

    def texts(self, hwnd):
        return [self.s.get_text(hwnd, i) for i in (YOUR_USER_NAME, YOUR_PASSWORD, YOUR_TWEET,
                                                   THE_LONG_URL)]

    def assert_refused_and_kept(self, program, hwnd, button, *parts):
        """Presses the button: a "Whoops!" box whose text holds every part, after which Lumora
        still runs, every box holds what it held before and the button can be pressed again;
        returns the box's text."""
        before = self.texts(hwnd)
        title, text = self.press(hwnd, button)
        self.assertEqual(title, "Whoops!")
        for part in parts:
            self.assertIn(part, text)
        self.assertTrue(program.running())
        self.assertEqual(self.texts(hwnd), before)
        self.assertTrue(harness.wait_until(lambda: self.s.is_enabled(hwnd, button)))
        return text

    def shown_then_closed(self, hwnd):
        """(status, long address) of a window Lumora opened for a link, which is then closed."""
        self.assertIsNotNone(hwnd, "Lumora did not open")
        self.assertTrue(self.wait_counter(hwnd), "the intake never ran")
        shown = self.s.get_text(hwnd, YOUR_TWEET), self.s.get_text(hwnd, THE_LONG_URL)
        self.s.close(hwnd)
        self.assertTrue(harness.wait_until(
            lambda: not self.s.windows(cls="LumoraMain"), 15, 0.1), "the window stayed")
        return shown

    def register_scheme_for_the_shell(self):
        """Copies the lumora: scheme that Lumora registered for the user into HKLM: Windows
        merges the user's classes into the ones the shell reads; Wine 8's shell reads only
        HKLM\\Software\\Classes. Only the test does so, never Lumora."""
        key = "HKLM\\Software\\Classes\\lumora"
        for path, name, data in ((key, None, "URL:Lumora"), (key, "URL Protocol", ""),
                                 (key + "\\shell\\open\\command", None, SCHEME_COMMAND)):
            self.s.wine("reg", "add", path, *(["/v", name] if name else ["/ve"]),
                        "/t", "REG_SZ", "/d", data, "/f")
