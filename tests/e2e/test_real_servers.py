"""Lumora through a real forward proxy (Debian's tinyproxy) to a real web server (nginx-light),
under Wine: HTTP Basic from an htpasswd file, over http and https.

One Wine session for the suite; its http_proxy is a tap in front of tinyproxy that keeps
each CONNECT request's head. The service's certificate comes from a test authority that only
this session's prefix trusts. The suite is skipped when the servers are not installed."""

import unittest

from fixture import SEND_TWEET_BUTTON, SUCCESS, LumoraCase
import real_servers
import tls_standin  # found through the fixture

USER, PASSWORD = "demo", "s3cret pw@%"
PROXY_PASSWORD = "proxy-s3cret"


class RealServersTest(LumoraCase):
    fresh_settings = True

    @classmethod
    def start_services(cls):
        if not real_servers.installed():
            raise unittest.SkipTest("tinyproxy and nginx-light are not installed "
                                    "(scripts/install_deps.sh installs them)")
        cls.authority = tls_standin.TestAuthority(hosts=(real_servers.HOST,))
        cls.addClassCleanup(cls.authority.close)
        cls.web = real_servers.RealService(cls.authority, {USER: PASSWORD}).start()
        cls.addClassCleanup(cls.web.stop)
        cls.proxy = real_servers.RealProxy([cls.web.https_port]).start()
        cls.addClassCleanup(cls.proxy.stop)
        cls.tap = real_servers.ProxyTap(cls.proxy.port).start()
        cls.addClassCleanup(cls.tap.stop)
        return cls.tap.url

    def setUp(self):
        super().setUp()
        self.tap.clear()

    def post(self, address, password=PASSWORD, http_proxy=None, tweet="real servers"):
        """One press of the send button in a Lumora of its own (one left running would take
        the press with its own address); returns the box's (title, text) and the program."""
        self.s.kill_programs()
        self.set_values(StatusAddress=address)
        program, hwnd = self.launch(user=USER, password=password, tweet=tweet,
                                    http_proxy=http_proxy)
        return self.press(hwnd, SEND_TWEET_BUTTON, timeout=30), program

    def assert_no_connect_carries_credentials(self):
        self.assert_never_sent([headers for _, headers in self.tap.connects()],
                               "authorization", "proxy-authorization")

    def test_a_post_over_http_and_https_through_the_proxy_arrives_signed_in(self):
        for secure in (False, True):
            with self.subTest(secure=secure):
                before = len(self.web.posts())
                verdict, program = self.post(self.web.status_url(secure), tweet="real %s" % secure)
                self.assertEqual(verdict, SUCCESS)
                posts = self.web.posts()[before:]
                self.assertEqual([(p["user"], p["status"]) for p in posts][-1], (USER, 200))
                self.assertEqual(posts[-1]["body"], "status=real+%s" % secure)
                self.assert_ended(program)
        # Wine 8 offers TLS 1.3 but speaks TLS 1.2: asking for both does no harm.
        self.assertEqual(self.web.posts()[-1]["protocol"], "TLSv1.2")
        self.assertTrue(self.tap.connects(), "the https posts went through no tunnel")
        self.assert_no_connect_carries_credentials()
        self.assertIn("CONNECT", self.proxy.log())

    def test_a_wrong_password_shows_the_servers_own_refusal_page(self):
        for secure in (False, True):
            with self.subTest(secure=secure):
                (title, text), program = self.post(self.web.status_url(secure), password="wrong")
                self.assertEqual(title, "Whoops!")
                self.assertTrue(text.startswith("The Tweet failed. Twitter.com advises:"), text)
                self.assertIn("401 Authorization Required", text)
                self.assertIn("nginx", text)
                self.assert_ended(program)
        self.assert_no_connect_carries_credentials()

    def test_a_proxy_asking_for_its_own_password_never_gets_the_account(self):
        # The proxy's password is the one typed: had Lumora offered the account, it would pass.
        # (tinyproxy's configuration takes no space in a password.)
        account = (USER, PROXY_PASSWORD)
        with real_servers.RealProxy([self.web.https_port], account=account) as guarded, \
                real_servers.ProxyTap(guarded.port) as guarded_tap:
            for secure in (False, True):
                with self.subTest(secure=secure):
                    before = len(self.web.posts())
                    (title, text), program = self.post(self.web.status_url(secure),
                                                       password=PROXY_PASSWORD,
                                                       http_proxy=guarded_tap.url)
                    self.assertEqual(title, "Whoops!")
                    self.assertTrue(text.startswith("Your Tweet could not be sent: "), text)
                    self.assertTrue(program.running())
                    self.assertEqual(self.web.posts()[before:], [])
            self.assert_never_sent([headers for _, headers in guarded_tap.heads],
                                   "proxy-authorization", "authorization")


if __name__ == "__main__":
    unittest.main()
