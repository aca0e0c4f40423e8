"""Service addresses set at run time, and TLS with the system's certificate checks, under Wine.

One Wine session and one TLS-capable stand-in for the class. The session's prefix, and nothing
else, trusts a test authority made for this run; the stand-in's certificates for some hosts come
from another authority, are out of date or name other hosts. Each test sets the values under
Lumora's key with `reg add` before it starts Lumora and starts from an empty key."""

import unittest

import harness
from fixture import (CREATE_TINY_URL_BUTTON, SEND_TWEET_BUTTON, SUCCESS, YOUR_TWEET, LumoraCase)
from tls_standin import (EXPIRED_HOST, SIGHTLINK_HOST, STATUS_HOST,  # found through the fixture
                         UNTRUSTED_HOST, WRONG_NAME_HOST)
from test_web import INTERNET_SETTINGS, internet_options_blob

SETTINGS_KEY_NAME = r"HKEY_CURRENT_USER\Software\Kestrova\Lumora"
USER, PASSWORD = "jürgen", "p w@5%&x:é"
SECURE_FAILURE = "A secure connection to the server could not be made."


class ServicesTest(LumoraCase):
    standin = "tls"
    accounts = {USER: PASSWORD}
    fresh_settings = True

    @classmethod
    def prepare(cls):
        cls.service.status_hosts |= {STATUS_HOST, UNTRUSTED_HOST, EXPIRED_HOST, WRONG_NAME_HOST}
        cls.service.sightlink_hosts.add(SIGHTLINK_HOST)
        cls.service.status_paths.add("/api/statuses/update.xml")
        cls.service.sightlink_paths.add("/api/shorten")

    # --- helpers ---------------------------------------------------------------------------

    def launch(self, tweet="hello"):
        return super().launch(user=USER, password=PASSWORD, tweet=tweet,
                              long_url="example.com/a-long-page")

    def shorten_then_send(self, hwnd):
        """A short link, then the post; returns both requests and the verdict box."""
        self.s.click(hwnd, CREATE_TINY_URL_BUTTON)
        shortened = self.service.wait_for_request("sightlink")
        appended = harness.wait_until(
            lambda: (self.read(hwnd, YOUR_TWEET) or "").endswith(" http://sl.ks/abc"))
        self.assertTrue(appended, "the short link was not appended")
        verdict = self.press(hwnd, SEND_TWEET_BUTTON)
        return shortened, self.service.wait_for_request("status", authorized=True), verdict

    # --- addresses -------------------------------------------------------------------------

    def test_with_no_values_both_requests_go_to_the_built_in_addresses(self):
        self.service.status_mode = "no_marker"
        program, hwnd = self.launch()
        shortened, posted, (title, text) = self.shorten_then_send(hwnd)
        self.assertEqual(shortened["target"],
                         "http://sightlink.kestrova.com:80/KestrovaCreateSightlink.asp")
        self.assertEqual(posted["target"], "http://twitter.com:80/statuses/update.xml")
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("The Tweet failed. Twitter.com advises:\n\n"), text)
        self.assert_ended(program)
        self.assertEqual(self.service.tunnels, [])

    def test_set_values_send_both_requests_there_and_name_the_service(self):
        self.service.status_mode = "no_marker"
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
        self.assertEqual(self.service.tunnels, [])
        self.assertTrue(text.startswith("The Tweet failed. Example Status advises:\n\n"), text)
        self.assert_ended(program)

    def test_a_value_that_is_no_web_address_is_named_and_nothing_is_sent(self):
        self.set_values(StatusAddress="status.example.test/statuses/update.xml")
        self.set_values(kind="REG_DWORD", SightlinkAddress="443")
        program, hwnd = self.launch()
        for button, parts in (
                (CREATE_TINY_URL_BUTTON, ["SightlinkAddress", "could not be read"]),
                (SEND_TWEET_BUTTON, ["StatusAddress", '"status.example.test/statuses/update.xml"',
                                     "not an http:// or https:// address"])):
            self.assert_refused_and_kept(program, hwnd, button, SETTINGS_KEY_NAME,
                                         "Nothing was sent.", *parts)
        self.assertEqual(self.service.requests, [])

    # --- TLS -------------------------------------------------------------------------------

    def test_over_tls_both_requests_arrive_and_the_password_exactly(self):
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST,
                        SightlinkAddress="https://%s/api/shorten" % SIGHTLINK_HOST)
        program, hwnd = self.launch()
        shortened, posted, verdict = self.shorten_then_send(hwnd)
        self.assertEqual(verdict, SUCCESS)
        self.assertEqual(posted["credentials"], [USER, PASSWORD])
        self.assertEqual(posted["form"], {"status": ["hello http://sl.ks/abc"]})
        # Each request, the unanswered first try included, came through a tunnel whose
        # certificate was checked for its own host; none in the clear, none through another's.
        for request in self.service.requests:
            self.assertEqual(request["tunnel"], request["host"], request["target"])
        self.assert_ended(program)

    def test_a_proxy_named_for_https_alone_leaves_http_direct_and_unanswered_at_a_407(self):
        # Internet Options name a proxy for https only: the https short link goes through it,
        # the http post straight to the server, whose 407 is no proxy's and gets no logon.
        blob = internet_options_blob("https=127.0.0.1:%d" % self.service.port)
        self.s.wine("reg", "add", INTERNET_SETTINGS, "/v", "DefaultConnectionSettings",
                    "/t", "REG_BINARY", "/d", blob.hex(), "/f")
        self.addCleanup(self.s.wine, "reg", "delete", INTERNET_SETTINGS, "/v",
                        "DefaultConnectionSettings", "/f")
        self.service.status_hosts.add("127.0.0.1")
        self.addCleanup(self.service.status_hosts.discard, "127.0.0.1")
        self.set_values(StatusAddress="http://127.0.0.1:%d/statuses/update.xml" % self.service.port,
                        SightlinkAddress="https://%s/api/shorten" % SIGHTLINK_HOST)
        program, hwnd = self.launch()
        self.s.click(hwnd, CREATE_TINY_URL_BUTTON)
        self.assertEqual(self.service.wait_for_request("sightlink")["tunnel"], SIGHTLINK_HOST)
        self.assertTrue(harness.wait_until(
            lambda: "http://sl.ks/abc" in (self.read(hwnd, YOUR_TWEET) or "")))
        self.service.misbehave_next("proxy_auth", count=5)
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertIn("A server that is not your proxy asked for a proxy sign-in.", text)
        statuses = [r for r in self.service.requests if r["endpoint"] == "status"]
        self.assertEqual([(r["proxy_form"], r["tunnel"]) for r in statuses], [(False, None)])

    def test_a_certificate_the_system_does_not_accept_stops_the_post_before_it_starts(self):
        for host in (UNTRUSTED_HOST, EXPIRED_HOST, WRONG_NAME_HOST):
            with self.subTest(host=host):
                self.s.kill_programs()
                self.service.clear()
                self.set_values(StatusAddress="https://%s/statuses/update.xml" % host)
                program, hwnd = self.launch()
                self.assert_refused_and_kept(program, hwnd, SEND_TWEET_BUTTON, SECURE_FAILURE)
                self.assertEqual(self.service.wait_for_tunnel(host)["port"], 443)
                # The connection got no further than the handshake: no request, no password.
                self.assertEqual(self.service.requests, [])

    def test_no_connect_carries_the_password_first_send_or_resend(self):
        # The tunnel kept from the challenge is dropped once when the answer comes: the
        # resend needs a new tunnel, whose CONNECT must carry no password either.
        self.service.misbehave_next("drop_kept")
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        statuses = [(r["kept_connection"], bool(r["credentials"]), r["misbehaved"])
                    for r in self.service.requests]
        self.assertEqual(statuses, [(False, False, None), (True, True, "drop_kept"),
                                    (False, False, None), (True, True, None)])
        tunnels = self.service.tunnels
        self.assertEqual([t["host"] for t in tunnels], [STATUS_HOST, STATUS_HOST])
        self.assert_never_sent([t["headers"] for t in tunnels], "authorization",
                               "proxy-authorization")
        self.assert_ended(program)

    def test_a_tunnel_closed_at_the_challenge_never_puts_the_password_in_a_connect(self):
        # The answer needs a new tunnel: its CONNECT goes without the account, and the whole
        # exchange starts over there.
        self.service.misbehave_next("close_after_challenge")
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        self.assertEqual(self.service.wait_for_request("status", authorized=True)["credentials"],
                         [USER, PASSWORD])
        self.assertGreaterEqual(len(self.service.tunnels), 2)
        self.assert_never_sent([t["headers"] for t in self.service.tunnels], "authorization")
        self.assert_ended(program)

    def test_a_proxy_sign_in_asked_from_inside_the_tunnel_is_refused(self):
        self.service.tunnel_proxy_auth = True
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: A server that is not your "
                                        "proxy asked for a proxy sign-in. Lumora did not answer "
                                        "it."), text)
        self.assertEqual(self.endpoints(), ["proxy_auth"])
        self.assertTrue(program.running())

    def test_an_ipv6_literal_is_refused_plainly(self):
        self.set_values(StatusAddress="http://[::1]:%d/statuses/update.xml" % self.service.port)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: Lumora cannot send to a "
                                        "numeric IPv6 address such as [::1]."), text)
        self.assertEqual(self.service.requests, [])
        self.assertTrue(program.running())

    def test_a_redirect_from_https_to_http_is_refused(self):
        plain = "http://%s/statuses/update.xml" % STATUS_HOST
        self.service.https_redirect = plain
        self.set_values(StatusAddress="https://%s/statuses/update.xml" % STATUS_HOST)
        program, hwnd = self.launch()
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertEqual(self.endpoints(), ["redirect"])
        self.assertTrue(text.startswith("Your Tweet could not be sent: "), text)
        self.assertTrue(program.running())
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "hello")


if __name__ == "__main__":
    unittest.main()
