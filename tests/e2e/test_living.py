"""Lumora against services that exist today, imitated by the stand-in under Wine: Friendica's
classic API and a simple shortening API named by a {url} address.

One Wine session and one stand-in for the module; each test sets the values under Lumora's key
with `reg add` before it starts Lumora and starts from an empty key."""

import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "standin"))
import harness  # noqa: E402
import lumora_standin  # noqa: E402

IDS = harness.lumora_control_ids()
YOUR_PASSWORD, YOUR_USER_NAME = IDS["YourPassword"], IDS["YourUserName"]
THE_LONG_URL, CREATE_TINY_URL_BUTTON = IDS["TheLongURL"], IDS["CreateTinyURLButton"]
SEND_TWEET_BUTTON, YOUR_TWEET = IDS["SendTweetButton"], IDS["YourTweet"]

SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
DATA_FOLDER = "C:\\Program Files\\Kestrova"
USER, PASSWORD = "demo", "secret"
FRIENDICA_ADDRESS = "http://friendica.example/api/statuses/update.xml"
SHORTENER_ADDRESS = "http://short.example/create.php?format=simple&url={url}"
NO_LINK_TEXT = "Sorry - there's been a problem with the URL you submitted!"

service = None
session = None


def setUpModule():
    global service, session
    harness.require_built(harness.lumora_exe())
    service = lumora_standin.StandIn(accounts={USER: PASSWORD}).start()
    session = harness.WineSession(http_proxy=service.proxy_url).start()


def tearDownModule():
    for part in (session, service):
        if part is not None:
            part.stop()


class ServiceSettingsDriving:
    """Lumora started under values set with `reg add`, for a TestCase with a WineSession in
    self.s and the stand-in in self.service. Each test starts from an empty key."""

    def setUp(self):
        self.s.kill_programs()
        shutil.rmtree(self.s.unix_path(DATA_FOLDER), ignore_errors=True)
        self.s.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)
        self.service.clear()
        self.addCleanup(self.s.kill_programs)

    def set_values(self, **values):
        for name, value in values.items():
            self.s.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f")

    def launch(self, tweet="hello", clipboard="clipboard text", user=USER, password=PASSWORD):
        """Starts Lumora with `clipboard`, waits for the intake, then fills the boxes (`tweet`
        None keeps the intake)."""
        self.s.set_clipboard(clipboard)
        program = self.s.start(harness.lumora_exe())
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=20)
        self.assertIsNotNone(hwnd, "LumoraMain did not show")
        harness.wait_until(lambda: self.s.get_text(hwnd, YOUR_TWEET), timeout=10)
        self.s.set_text(hwnd, YOUR_USER_NAME, user)
        self.s.set_text(hwnd, YOUR_PASSWORD, password)
        if tweet is not None:
            self.s.set_text(hwnd, YOUR_TWEET, tweet)
        return program, hwnd

    def press(self, hwnd, button, timeout=20):
        """Clicks the button and returns the (title, text) of the box that follows, closed."""
        self.s.click(hwnd, button)
        box = self.s.wait_message_box(timeout=timeout)
        self.assertIsNotNone(box, "no message box after the click")
        filled = harness.wait_until(
            lambda: [b for b in self.s.message_boxes() if b[0] == box[0] and b[2]], timeout=5)
        self.assertTrue(filled, "the message box stayed empty")
        self.s.dismiss_message_box(box[0])
        return filled[0][1], filled[0][2]


class LivingServicesTest(ServiceSettingsDriving, unittest.TestCase):
    def setUp(self):
        self.s, self.service = session, service
        super().setUp()
        service.status_mode = "ok"
        service.shortener_reply = "ok"

    def test_friendica_takes_the_post_after_its_own_challenge_and_its_error_is_shown(self):
        self.set_values(StatusAddress=FRIENDICA_ADDRESS, StatusName="Friendica")
        program, hwnd = self.launch("Hello from Lumora & friends")
        verdict = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(verdict, ("Congratulations!",
                                   "Your Tweet was sent successfully to all of your followers!"))
        self.assertIsNotNone(program.wait_exit(10), "Lumora did not end after the verdict")
        first, second = [r for r in service.requests if r["endpoint"] == "status"][:2]
        self.assertEqual((first["status"], first["credentials"]), (401, None))
        self.assertEqual((second["status"], second["credentials"]), (200, [USER, PASSWORD]))
        self.assertEqual(second["target"], "http://friendica.example:80/api/statuses/update.xml")
        self.assertEqual(second["form"], {"status": ["Hello from Lumora & friends"]})

        service.clear()
        service.status_mode = "server_error"
        program, hwnd = self.launch("refused")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("The Tweet failed. Friendica advises:\n\n<?xml"), text)
        self.assertIn("<status><error>Failed</error><code>400 Bad Request</code>", text)

    def test_a_url_address_asks_a_simple_api_with_one_get_and_appends_its_link(self):
        self.set_values(SightlinkAddress=SHORTENER_ADDRESS)
        program, hwnd = self.launch("Look")
        session.set_text(hwnd, THE_LONG_URL, "example.com/a page?x=1&y=2")
        session.click(hwnd, CREATE_TINY_URL_BUTTON)
        request = service.wait_for_request("shortener")
        self.assertEqual(request["method"], "GET")
        self.assertEqual(request["target"], "http://short.example:80/create.php?format=simple&url="
                                            "http%3A%2F%2Fexample.com%2Fa%20page%3Fx%3D1%26y%3D2")
        self.assertEqual(request["long_url"], "http://example.com/a page?x=1&y=2")
        self.assertIsNone(request["credentials"])
        appended = harness.wait_until(
            lambda: session.get_text(hwnd, YOUR_TWEET) == "Look https://short.example/0")
        self.assertTrue(appended, session.get_text(hwnd, YOUR_TWEET))

        service.shortener_reply = "error"
        self.assertEqual(self.press(hwnd, CREATE_TINY_URL_BUTTON), ("Whoops!", NO_LINK_TEXT))
        self.assertEqual(session.get_text(hwnd, YOUR_TWEET), "Look https://short.example/0")
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
