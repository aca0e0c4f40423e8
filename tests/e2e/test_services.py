"""Service addresses set at run time, and TLS with the system's certificate checks, under Wine.

One Wine session and one TLS-capable stand-in for the module. The session's prefix, and nothing
else, trusts a test authority made for this run; the stand-in's certificates for some hosts come
from another authority, are out of date or name other hosts. Each test sets the values under
Lumora's key with `reg add` before it starts Lumora and starts from an empty key."""

import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "standin"))
import harness  # noqa: E402
import tls_standin  # noqa: E402
from test_web import INTERNET_SETTINGS, internet_options_blob  # noqa: E402
from tls_standin import (EXPIRED_HOST, SIGHTLINK_HOST, STATUS_HOST, UNTRUSTED_HOST,  # noqa: E402
                         WRONG_NAME_HOST)

IDS = harness.lumora_control_ids()
YOUR_PASSWORD, YOUR_USER_NAME = IDS["YourPassword"], IDS["YourUserName"]
THE_LONG_URL, CREATE_TINY_URL_BUTTON = IDS["TheLongURL"], IDS["CreateTinyURLButton"]
SEND_TWEET_BUTTON, YOUR_TWEET = IDS["SendTweetButton"], IDS["YourTweet"]

SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
SETTINGS_KEY_NAME = r"HKEY_CURRENT_USER\Software\Kestrova\Lumora"
DATA_FOLDER = "C:\\Program Files\\Kestrova"
USER, PASSWORD = "jürgen", "p w@5%&x:é"
SECURE_FAILURE = "A secure connection to the server could not be made."

authority = None
service = None
session = None


def setUpModule():
    global authority, service, session
    harness.require_built(harness.lumora_exe())
    authority = tls_standin.TestAuthority()
    service = tls_standin.TlsStandIn(authority, accounts={USER: PASSWORD}).start()
    service.status_hosts |= {STATUS_HOST, UNTRUSTED_HOST, EXPIRED_HOST, WRONG_NAME_HOST}
    service.sightlink_hosts.add(SIGHTLINK_HOST)
    service.status_paths.add("/api/statuses/update.xml")
    service.sightlink_paths.add("/api/shorten")
    session = harness.WineSession(http_proxy=service.proxy_url).start()
    session.wine("reg", "import", harness.windows_path(authority.root_store_reg()))


def tearDownModule():
    for part in (session, service):
        if part is not None:
            part.stop()
    if authority is not None:
        authority.close()


class ServicesTest(unittest.TestCase):
    def setUp(self):
        session.kill_programs()
        shutil.rmtree(session.unix_path(DATA_FOLDER), ignore_errors=True)
        session.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)
        service.clear()
        service.status_mode = "ok"
        service.https_redirect = None
        service.tunnel_proxy_auth = False
        service.misbehave_next("reset", count=0)
        service.set_sightlink_reply("ok")
        self.addCleanup(session.kill_programs)

    # --- helpers ---------------------------------------------------------------------------

    def set_values(self, kind="REG_SZ", **values):
        for name, value in values.items():
            session.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", kind, "/d", value, "/f")

    def launch(self, tweet="hello"):
        session.set_clipboard("clipboard text")
        program = session.start(harness.lumora_exe())
        hwnd = session.wait_window(cls="LumoraMain", timeout=20)
        self.assertIsNotNone(hwnd, "LumoraMain did not show")
        harness.wait_until(lambda: session.get_text(hwnd, YOUR_TWEET), timeout=10)
        session.set_text(hwnd, YOUR_USER_NAME, USER)
        session.set_text(hwnd, YOUR_PASSWORD, PASSWORD)
        session.set_text(hwnd, YOUR_TWEET, tweet)
        session.set_text(hwnd, THE_LONG_URL, "example.com/a-long-page")
        return program, hwnd

    def press(self, hwnd, button, timeout=20):
        """Clicks the button and returns the (title, text) of the box that follows, closed."""
        session.click(hwnd, button)
        box = session.wait_message_box(timeout=timeout)
        self.assertIsNotNone(box, "no message box after the click")
        # A box may be caught before its text is set (often so under emulation).
        filled = harness.wait_until(
            lambda: [b for b in session.message_boxes() if b[0] == box[0] and b[2]], timeout=5)
        self.assertTrue(filled, "the message box stayed empty")
        session.dismiss_message_box(box[0])
        return filled[0][1], filled[0][2]

    def tweet_text(self, hwnd):
        """The status box's text, or None while Lumora is inside a request: the window does not
        answer then, and a TLS exchange under emulation outlasts the driver's wait."""
        try:
            return session.get_text(hwnd, YOUR_TWEET)
        except harness.HarnessError as error:
            if "timed out" not in str(error):
                raise
            return None

    def shorten_then_send(self, hwnd):
        """A short link, then the post; returns both requests and the verdict box."""
        session.click(hwnd, CREATE_TINY_URL_BUTTON)
        shortened = service.wait_for_request("sightlink")
        appended = harness.wait_until(
            lambda: (self.tweet_text(hwnd) or "").endswith(" http://sl.ks/abc"))
        self.assertTrue(appended, "the short link was not appended")
        verdict = self.press(hwnd, SEND_TWEET_BUTTON)
        return shortened, service.wait_for_request("status", authorized=True), verdict

    def texts(self, hwnd):
        return [session.get_text(hwnd, i) for i in (YOUR_USER_NAME, YOUR_PASSWORD, YOUR_TWEET,
                                                    THE_LONG_URL)]

    # --- addresses -------------------------------------------------------------------------

    def test_with_no_values_both_requests_go_to_the_built_in_addresses(self):
        service.status_mode = "no_marker"
        program, hwnd = self.launch()
        shortened, posted, (title, text) = self.shorten_then_send(hwnd)
        self.assertEqual(shortened["target"],
                         "http://sightlink.kestrova.com:80/KestrovaCreateSightlink.asp")
        self.assertEqual(posted["target"], "http://twitter.com:80/statuses/update.xml")
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("The Tweet failed. Twitter.com advises:\n\n"), text)
        self.assertIsNotNone(program.wait_exit(10))
        self.assertEqual(service.tunnels, [])

    def test_set_values_send_both_requests_there_and_name_the_service(self):
        service.status_mode = "no_marker"
        self.set_values(StatusAddress="HTTP://status.example.test:8080/api/statuses/update.xml",
                        StatusName="Example Status",
                        SightlinkAddress="http://sightlink.example.test/api/shorten")
        program, hwnd = self.launch()
        shortened, posted, (title, text) = self.shorten_then_send(hwnd)
        self.assertEqual(shortened["target"], "http://sightlink.example.test:80/api/shorten")
        self.assertEqual(shortened["form"], {"TheLongURL": ["http://example.com/a-long-page"]})
        self.assertEqual(posted["target"],
                         "http://status.example.test:8080/api/statuses/update.xml")
        self.assertEqual(posted["form"], {"status": ["hello http://sl.ks/abc"]})
        self.assertEqual(service.tunnels, [])
        self.assertTrue(text.startswith("The Tweet failed. Example Status advises:\n\n"), text)
        self.assertIsNotNone(program.wait_exit(10))

    def test_a_value_that_is_no_web_address_is_named_and_nothing_is_sent(self):
        self.set_values(StatusAddress="status.example.test/statuses/update.xml")
        self.set_values(kind="REG_DWORD", SightlinkAddress="443")
        program, hwnd = self.launch()
        before = self.texts(hwnd)
        for button, parts in (
                (CREATE_TINY_URL_BUTTON, ["SightlinkAddress", "could not be read"]),
                (SEND_TWEET_BUTTON, ["StatusAddress", '"status.example.test/statuses/update.xml"',
                                     "not an http:// or https:// address"])):
            title, text = self.press(hwnd, button)
            self.assertEqual(title, "Whoops!")
            for part in parts + [SETTINGS_KEY_NAME, "Nothing was sent."]:
                self.assertIn(part, text)
            self.assertTrue(session.is_enabled(hwnd, button))
        self.assertTrue(program.running())
        self.assertEqual(self.texts(hwnd), before)
        self.assertEqual(service.requests, [])

    # --- TLS -------------------------------------------------------------------------------

    def test_over_tls_both_requests_arrive_and_the_password_exactly(self):
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST,
                        SightlinkAddress="https://%s/api/shorten" % SIGHTLINK_HOST)
        program, hwnd = self.launch()
        shortened, posted, verdict = self.shorten_then_send(hwnd)
        self.assertEqual(verdict, ("Congratulations!",
                                   "Your Tweet was sent successfully to all of your followers!"))
        self.assertEqual(posted["credentials"], [USER, PASSWORD])
        self.assertEqual(posted["form"], {"status": ["hello http://sl.ks/abc"]})
        # Each request, the unanswered first try included, came through a tunnel whose
        # certificate was checked for its own host; none in the clear, none through another's.
        for request in service.requests:
            self.assertEqual(request["tunnel"], request["host"], request["target"])
        self.assertIsNotNone(program.wait_exit(10))

    def test_a_proxy_named_for_https_alone_leaves_http_direct_and_unanswered_at_a_407(self):
        # Internet Options name a proxy for https only: the https short link goes through it,
        # the http post straight to the server, whose 407 is no proxy's and gets no logon.
        blob = internet_options_blob("https=127.0.0.1:%d" % service.port)
        session.wine("reg", "add", INTERNET_SETTINGS, "/v", "DefaultConnectionSettings",
                     "/t", "REG_BINARY", "/d", blob.hex(), "/f")
        self.addCleanup(session.wine, "reg", "delete", INTERNET_SETTINGS, "/v",
                        "DefaultConnectionSettings", "/f")
        service.status_hosts.add("127.0.0.1")
        self.addCleanup(service.status_hosts.discard, "127.0.0.1")
        self.set_values(StatusAddress="http://127.0.0.1:%d/statuses/update.xml" % service.port,
                        SightlinkAddress="https://%s/api/shorten" % SIGHTLINK_HOST)
        program, hwnd = self.launch()
        session.click(hwnd, CREATE_TINY_URL_BUTTON)
        self.assertEqual(service.wait_for_request("sightlink")["tunnel"], SIGHTLINK_HOST)
        self.assertTrue(harness.wait_until(lambda: "http://sl.ks/abc" in (self.tweet_text(hwnd)
                                                                           or "")))
        service.misbehave_next("proxy_auth", count=5)
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertIn("A server that is not your proxy asked for a proxy sign-in.", text)
        statuses = [r for r in service.requests if r["endpoint"] == "status"]
        self.assertEqual([(r["proxy_form"], r["tunnel"]) for r in statuses], [(False, None)])

    def test_a_certificate_the_system_does_not_accept_stops_the_post_before_it_starts(self):
        for host in (UNTRUSTED_HOST, EXPIRED_HOST, WRONG_NAME_HOST):
            with self.subTest(host=host):
                session.kill_programs()
                service.clear()
                self.set_values(StatusAddress="https://%s/statuses/update.xml" % host)
                program, hwnd = self.launch()
                before = self.texts(hwnd)
                title, text = self.press(hwnd, SEND_TWEET_BUTTON)
                self.assertEqual(title, "Whoops!")
                self.assertIn(SECURE_FAILURE, text)
                self.assertEqual(service.wait_for_tunnel(host)["port"], 443)
                # The connection got no further than the handshake: no request, no password.
                self.assertEqual(service.requests, [])
                self.assertTrue(program.running())
                self.assertEqual(self.texts(hwnd), before)
                self.assertTrue(session.is_enabled(hwnd, SEND_TWEET_BUTTON))

    def test_no_connect_carries_the_password_first_send_or_resend(self):
        # The tunnel kept from the challenge is dropped once when the answer comes: the
        # resend needs a new tunnel, whose CONNECT must carry no password either.
        service.misbehave_next("drop_kept")
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        statuses = [(r["kept_connection"], bool(r["credentials"]), r["misbehaved"])
                    for r in service.requests]
        self.assertEqual(statuses, [(False, False, None), (True, True, "drop_kept"),
                                    (False, False, None), (True, True, None)])
        tunnels = service.tunnels
        self.assertEqual([t["host"] for t in tunnels], [STATUS_HOST, STATUS_HOST])
        for tunnel in tunnels:
            names = [name.lower() for name, _ in tunnel["headers"]]
            self.assertNotIn("authorization", names)
            self.assertNotIn("proxy-authorization", names)
        self.assertIsNotNone(program.wait_exit(10))

    def test_a_tunnel_closed_at_the_challenge_never_puts_the_password_in_a_connect(self):
        # The answer needs a new tunnel: its CONNECT goes without the account, and the whole
        # exchange starts over there.
        service.misbehave_next("close_after_challenge")
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        self.assertEqual(service.wait_for_request("status", authorized=True)["credentials"],
                         [USER, PASSWORD])
        self.assertGreaterEqual(len(service.tunnels), 2)
        for tunnel in service.tunnels:
            names = [name.lower() for name, _ in tunnel["headers"]]
            self.assertNotIn("authorization", names)
        self.assertIsNotNone(program.wait_exit(10))

    def test_a_proxy_sign_in_asked_from_inside_the_tunnel_is_refused(self):
        service.tunnel_proxy_auth = True
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: A server that is not your "
                                        "proxy asked for a proxy sign-in. Lumora did not answer "
                                        "it."), text)
        self.assertEqual([r["endpoint"] for r in service.requests], ["proxy_auth"])
        self.assertTrue(program.running())

    def test_an_ipv6_literal_is_refused_plainly(self):
        self.set_values(StatusAddress="http://[::1]:%d/statuses/update.xml" % service.port)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: Lumora cannot send to a "
                                        "numeric IPv6 address such as [::1]."), text)
        self.assertEqual(service.requests, [])
        self.assertTrue(program.running())

    def test_a_redirect_from_https_to_http_is_refused(self):
        plain = "http://%s/statuses/update.xml" % STATUS_HOST
        service.https_redirect = plain
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertEqual([r["endpoint"] for r in service.requests], ["redirect"])
        self.assertTrue(text.startswith("Your Tweet could not be sent: "), text)
        self.assertTrue(program.running())
        self.assertEqual(session.get_text(hwnd, YOUR_TWEET), "hello")


if __name__ == "__main__":
    unittest.main()
