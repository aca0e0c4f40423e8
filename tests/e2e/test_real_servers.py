"""Lumora through a real forward proxy (Debian's tinyproxy) to a real web server (nginx-light),
under Wine: HTTP Basic from an htpasswd file, over http and https.

One Wine session for the module; its http_proxy is a tap in front of tinyproxy that keeps
each CONNECT request's head. The service's certificate comes from a test authority that only
this session's prefix trusts. The suite is skipped when the servers are not installed."""

import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "standin"))
import harness  # noqa: E402
import real_servers  # noqa: E402
import tls_standin  # noqa: E402

IDS = harness.lumora_control_ids()
YOUR_PASSWORD, YOUR_USER_NAME = IDS["YourPassword"], IDS["YourUserName"]
SEND_TWEET_BUTTON, YOUR_TWEET = IDS["SendTweetButton"], IDS["YourTweet"]

SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
DATA_FOLDER = "C:\\Program Files\\Kestrova"
USER, PASSWORD = "demo", "s3cret pw@%"
PROXY_PASSWORD = "proxy-s3cret"
SUCCESS = ("Congratulations!", "Your Tweet was sent successfully to all of your followers!")

parts = []
authority = web = proxy = tap = session = None


def setUpModule():
    global authority, web, proxy, tap, session
    if not real_servers.installed():
        raise unittest.SkipTest("tinyproxy and nginx-light are not installed "
                                "(scripts/install_deps.sh installs them)")
    harness.require_built(harness.lumora_exe())
    try:
        authority = tls_standin.TestAuthority(hosts=(real_servers.HOST,))
        parts.append(authority)
        web = real_servers.RealService(authority, {USER: PASSWORD}).start()
        parts.append(web)
        proxy = real_servers.RealProxy([web.https_port]).start()
        parts.append(proxy)
        tap = real_servers.ProxyTap(proxy.port).start()
        parts.append(tap)
        session = harness.WineSession(http_proxy=tap.url).start()
        parts.append(session)
        session.wine("reg", "import", harness.windows_path(authority.root_store_reg()))
    except BaseException:
        tearDownModule()
        raise


def tearDownModule():
    while parts:
        part = parts.pop()
        part.stop() if hasattr(part, "stop") else part.close()


class RealServersTest(unittest.TestCase):
    def setUp(self):
        session.kill_programs()
        shutil.rmtree(session.unix_path(DATA_FOLDER), ignore_errors=True)
        session.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)
        tap.clear()
        self.addCleanup(session.kill_programs)

    def post(self, address, password=PASSWORD, http_proxy=None, tweet="real servers"):
        """One press of the send button; returns the box's (title, text) and the program."""
        session.wine("reg", "add", SETTINGS_KEY, "/v", "StatusAddress", "/t", "REG_SZ", "/d",
                     address, "/f")
        session.set_clipboard("clipboard text")
        program = session.start(harness.lumora_exe(), http_proxy=http_proxy)
        hwnd = session.wait_window(cls="LumoraMain", timeout=20)
        self.assertIsNotNone(hwnd, "LumoraMain did not show")
        harness.wait_until(lambda: session.get_text(hwnd, YOUR_TWEET), timeout=10)
        session.set_text(hwnd, YOUR_USER_NAME, USER)
        session.set_text(hwnd, YOUR_PASSWORD, password)
        session.set_text(hwnd, YOUR_TWEET, tweet)
        session.click(hwnd, SEND_TWEET_BUTTON)
        box = session.wait_message_box(timeout=30)
        self.assertIsNotNone(box, "no box after the send")
        session.dismiss_message_box(box[0])
        return (box[1], box[2]), program

    def assert_no_connect_carries_credentials(self):
        for line, headers in tap.connects():
            names = [name.lower() for name, _ in headers]
            self.assertNotIn("authorization", names, line)
            self.assertNotIn("proxy-authorization", names, line)

    def test_a_post_over_http_and_https_through_the_proxy_arrives_signed_in(self):
        for secure in (False, True):
            with self.subTest(secure=secure):
                before = len(web.posts())
                verdict, program = self.post(web.status_url(secure), tweet="real %s" % secure)
                self.assertEqual(verdict, SUCCESS)
                posts = web.posts()[before:]
                self.assertEqual([(p["user"], p["status"]) for p in posts][-1], (USER, 200))
                self.assertEqual(posts[-1]["body"], "status=real+%s" % secure)
                self.assertIsNotNone(program.wait_exit(10))
        # Wine 8 offers TLS 1.3 but speaks TLS 1.2: asking for both does no harm.
        self.assertEqual(web.posts()[-1]["protocol"], "TLSv1.2")
        self.assertTrue(tap.connects(), "the https posts went through no tunnel")
        self.assert_no_connect_carries_credentials()
        self.assertIn("CONNECT", proxy.log())

    def test_a_wrong_password_shows_the_servers_own_refusal_page(self):
        for secure in (False, True):
            with self.subTest(secure=secure):
                (title, text), program = self.post(web.status_url(secure), password="wrong")
                self.assertEqual(title, "Whoops!")
                self.assertTrue(text.startswith("The Tweet failed. Twitter.com advises:"), text)
                self.assertIn("401 Authorization Required", text)
                self.assertIn("nginx", text)
                self.assertIsNotNone(program.wait_exit(10))
        self.assert_no_connect_carries_credentials()

    def test_a_proxy_asking_for_its_own_password_never_gets_the_account(self):
        # The proxy's password is the one typed: had Lumora offered the account, it would pass.
        # (tinyproxy's configuration takes no space in a password.)
        with real_servers.RealProxy([web.https_port], account=(USER, PROXY_PASSWORD)) as guarded, \
                real_servers.ProxyTap(guarded.port) as guarded_tap:
            for secure in (False, True):
                with self.subTest(secure=secure):
                    # The first run's window stays open: a second copy would only say "This
                    # program is already running".
                    session.kill_programs()
                    before = len(web.posts())
                    (title, text), program = self.post(web.status_url(secure),
                                                       password=PROXY_PASSWORD,
                                                       http_proxy=guarded_tap.url)
                    self.assertEqual(title, "Whoops!")
                    self.assertTrue(text.startswith("Your Tweet could not be sent: "), text)
                    self.assertTrue(program.running())
                    self.assertEqual(web.posts()[before:], [])
            for line, headers in guarded_tap.heads:
                names = [name.lower() for name, _ in headers]
                self.assertNotIn("proxy-authorization", names, line)
                self.assertNotIn("authorization", names, line)


if __name__ == "__main__":
    unittest.main()
