"""Lumora's two web requests under Wine, against the local stand-in services.

The program is the shipped build, unchanged: it names its real hosts, and Wine's WinHTTP sends
those requests to the stand-in because http_proxy points there. One Wine session and one
stand-in for the suite; each test starts from an empty data folder and fresh stand-in state."""

import os
import socket
import struct
import time
import unittest

import harness
from fixture import (CREATE_TINY_URL_BUTTON, DATA_FOLDER, LLEN, NO_LINK_TEXT, PASSWORD,
                     SEND_TWEET_BUTTON, SUCCESS, THE_LONG_URL, USER, YOUR_PASSWORD, YOUR_TWEET,
                     YOUR_USER_NAME, LumoraCase)
import lumora_standin  # found through the fixture

ODD_USER, ODD_PASSWORD = "jürgen", "p w@5%&x"

TIMED_OUT_TEXT = "did not answer in time"
INTERNET_SETTINGS = ("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
                     "\\Connections")

def internet_options_blob(proxy="", script=""):
    """DefaultConnectionSettings as Internet Options writes it for a fixed proxy or a
    configuration script: version, counter, flags (2 = use the proxy, 4 = use the script), then
    proxy, bypass list and script address."""
    name, address = proxy.encode("ascii"), script.encode("ascii")
    flags = (2 if proxy else 0) | (4 if script else 0)
    return (struct.pack("<IIII", 0x46, 0, flags, len(name)) + name +
            struct.pack("<II", 0, len(address)) + address)


def closed_port():
    """A loopback port that nothing listens on."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class WebTest(LumoraCase):
    standin = "plain"
    accounts = {USER: PASSWORD, ODD_USER: ODD_PASSWORD}

    # --- helpers ---------------------------------------------------------------------------

    def launch(self, user="", password="", tweet="hello", **start_options):
        """Starts Lumora, waits for its clipboard intake, then fills in the boxes."""
        return super().launch(user=user, password=password, tweet=tweet, **start_options)

    def send(self, user, password, tweet, **start_options):
        """One run of Lumora that sends; returns the verdict box's (title, text) and the status
        request that carried the credentials. The program must end after the verdict."""
        program, hwnd = self.launch(user, password, tweet, **start_options)
        verdict = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assert_ended(program)
        return verdict, self.service.wait_for_request("status", timeout=1, authorized=True)

    def data_file(self, name):
        with open(self.s.unix_path(DATA_FOLDER + "\\" + name), "rb") as f:
            return f.read()

    # --- status update ---------------------------------------------------------------------

    def test_status_with_reserved_and_non_ascii_characters_arrives_exactly(self):
        status = "Tom & Jerry: C++ 100% ? é 😀\r\nline=two #3"
        verdict, request = self.send(USER, PASSWORD, "  " + status + " ")
        self.assertEqual(verdict, SUCCESS)
        self.assertEqual(request["form"], {"status": [status]})
        self.assertEqual(request["target"], "http://twitter.com:80/statuses/update.xml")
        self.assertEqual(self.data_file("UN.DAT"), b"demo\r\n")
        self.assertEqual(self.data_file("PW.DAT"), b"secret\r\n")
        # The header value's trailing LF CR never reaches the wire.
        self.assertIn(["Content-Type", "application/x-www-form-urlencoded"], request["headers"])
        head = bytes.fromhex(request["raw_hex"]).split(b"\r\n\r\n")[0]
        self.assertNotIn(b"\n\r", head)
        self.assertEqual(head.count(b"\n"), head.count(b"\r\n"))

    def test_input_warnings_come_in_order_after_the_credentials_are_stored(self):
        program, hwnd = self.launch(user="", password="", tweet="")
        username_warning = ("Whoops!", "Sorry, you need to enter your Twitter Username.")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), username_warning)
        self.assertEqual(self.data_file("UN.DAT"), b"\r\n")
        self.assertEqual(self.data_file("PW.DAT"), b"\r\n")

        self.s.set_text(hwnd, YOUR_USER_NAME, "  ann  ")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON),
                         ("Whoops!", "Sorry, you need to enter your Twitter Password."))
        self.assertEqual(self.data_file("UN.DAT"), b"ann\r\n")

        self.s.set_text(hwnd, YOUR_PASSWORD, "pw")
        self.s.set_text(hwnd, YOUR_TWEET, "   ")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON),
                         ("Whoops!",
                          "Sorry, a Tweet may be between 1 and 140 characters in length."))
        self.assertEqual(self.data_file("PW.DAT"), b"pw\r\n")

        self.s.set_text(hwnd, YOUR_TWEET, "x" * 141)
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON),
                         ("Your Tweet exceeds the maximum length allowed by Twitter",
                          "Please adjust the text in your Tweet so that it is within 140 "
                          "characters."))
        self.assertEqual(self.service.requests, [])
        self.assertTrue(program.running())
        self.assertTrue(self.s.is_enabled(hwnd, SEND_TWEET_BUTTON))

    def test_140_code_units_are_sent_and_a_trailing_space_is_trimmed(self):
        emoji = "😀" * 70  # 140 UTF-16 code units
        verdict, request = self.send(USER, PASSWORD, emoji)
        self.assertEqual(verdict[0], "Congratulations!")
        self.assertEqual(request["form"]["status"], [emoji])

        self.service.clear()
        verdict, request = self.send(USER, PASSWORD, "y" * 140 + " ")
        self.assertEqual(verdict[0], "Congratulations!")
        self.assertEqual(request["form"]["status"], ["y" * 140])

    def test_odd_credentials_are_accepted_exactly(self):
        verdict, request = self.send(" " + ODD_USER + " ", ODD_PASSWORD, "hi")
        self.assertEqual(verdict, SUCCESS)
        self.assertEqual(request["credentials"], [ODD_USER, ODD_PASSWORD])

    def test_replies_without_the_exact_marker_fail_and_name_the_domain(self):
        self.service.account_modes[USER] = "uppercase_marker"
        verdict, request = self.send(USER, PASSWORD, "shout")
        reply = lumora_standin.status_ok_reply(USER, "shout").replace("screen_name>",
                                                                      "SCREEN_NAME>")
        self.assertEqual(verdict, ("Whoops!", "The Tweet failed. Twitter.com advises:\n\n" + reply))

        self.service.clear()
        self.service.account_modes[USER] = "server_error"
        verdict, _ = self.send(USER, PASSWORD, "boom")
        self.assertEqual(verdict[1], "The Tweet failed. Twitter.com advises:\n\n<html><body>"
                         "<h2>Something is technically wrong.</h2></body></html>")

    def test_refused_login_and_control_characters_in_the_user_name_inject_nothing(self):
        program, hwnd = self.launch("ev\r\nX-Injected: 1", "wrong", "hi")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assert_ended(program)
        error = lumora_standin.status_error_document("Could not authenticate you.")
        self.assertEqual((title, text), ("Whoops!",
                                         "The Tweet failed. Twitter.com advises:\n\n" + error))
        answered = [r for r in self.service.requests if r["credentials"]]
        self.assertEqual(len(answered), 1)
        self.assertEqual(answered[0]["credentials"], ["ev\r\nX-Injected", " 1:wrong"])
        self.assert_never_sent([r["headers"] for r in self.service.requests], "x-injected")

    def test_refused_connection_keeps_the_window_and_every_text(self):
        proxy = "http://127.0.0.1:%d" % closed_port()
        program, hwnd = self.launch(USER, PASSWORD, "keep me", http_proxy=proxy)
        self.s.set_text(hwnd, THE_LONG_URL, "example.com/page")
        for button in (SEND_TWEET_BUTTON, CREATE_TINY_URL_BUTTON):
            self.assert_refused_and_kept(program, hwnd, button, "refused")
        self.assertEqual(self.service.requests, [])

    def test_reset_connection_warns_and_a_second_click_sends(self):
        program, hwnd = self.launch(USER, PASSWORD, "second time lucky")
        self.service.misbehave_next("reset", count=5)  # the challenge and the answer, and more
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        # Wine reports a reset that arrives before the reply's first byte either way.
        self.assertTrue("reset" in text or "closed the connection" in text, text)
        self.assertTrue(program.running())
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "second time lucky")

        self.service.misbehave_next("reset", count=0)
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), SUCCESS)
        self.assert_ended(program)

    # --- link shortening -------------------------------------------------------------------

    def shorten(self, hwnd, long_address, reply="ok", timeout=15):
        """Clicks the short-link button with that address and reply; returns the box shown,
        or None when the status text changed instead."""
        self.service.clear()
        self.service.set_sightlink_reply(reply)
        self.s.set_text(hwnd, THE_LONG_URL, long_address)
        before = self.s.get_text(hwnd, YOUR_TWEET)
        self.s.click(hwnd, CREATE_TINY_URL_BUTTON)

        def outcome():
            try:
                return self.s.get_text(hwnd, YOUR_TWEET) != before or self.s.message_boxes()
            except harness.HarnessError:  # the window is busy with the request
                return False

        changed = harness.wait_until(outcome, timeout=timeout, interval=0.05)
        self.assertTrue(changed, "neither the status text nor a box changed")
        box = self.s.wait_message_box(timeout=0.2)
        if box is None:
            return None
        self.s.dismiss_message_box(box[0])
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), before)
        return box[1:]

    def long_address_sent(self):
        return self.service.wait_for_request("sightlink", timeout=1)["form"]["TheLongURL"]

    def test_short_link_is_appended_after_one_space(self):
        program, hwnd = self.launch(tweet="Look")
        self.assertIsNone(self.shorten(hwnd, "  HTTPS://Example.com/a?b=1&c=2 d#e  "))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "Look http://sl.ks/abc")
        self.assertEqual(self.long_address_sent(), ["HTTPS://Example.com/a?b=1&c=2 d#e"])
        self.assertEqual(self.s.get_text(hwnd, THE_LONG_URL),
                         "  HTTPS://Example.com/a?b=1&c=2 d#e  ")
        self.assertIn("21 Characters.", self.s.get_text(hwnd, LLEN))

        self.assertIsNone(self.shorten(hwnd, "abc.com", reply="leading_tab"))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "Look http://sl.ks/abc ")
        self.assertEqual(self.long_address_sent(), ["http://abc.com"])
        self.assertTrue(self.s.is_enabled(hwnd, CREATE_TINY_URL_BUTTON))

    def test_short_address_and_replies_without_a_tab_are_refused(self):
        program, hwnd = self.launch(tweet="Look")
        self.assertEqual(self.shorten(hwnd, "  ab.com  "),
                         ("Whoops!", "Please paste a website address (URL) into the box!"))
        self.assertEqual(self.service.requests, [])
        for reply in ("no_tab", "empty"):
            self.assertEqual(self.shorten(hwnd, "http://example.com", reply=reply),
                             ("Whoops!", NO_LINK_TEXT), reply)
        self.assertTrue(self.s.is_enabled(hwnd, CREATE_TINY_URL_BUTTON))
        self.assertTrue(program.running())

    def test_huge_and_malformed_replies_are_decoded_without_harm(self):
        program, hwnd = self.launch(tweet="")
        self.assertIsNone(self.shorten(hwnd, "example.com/huge", reply="huge"))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), " http://sl.ks/big")
        self.assertIsNone(self.shorten(hwnd, "example.com/bad", reply="bad_utf8"))
        tail = self.s.get_text(hwnd, YOUR_TWEET)[len(" http://sl.ks/big"):]
        self.assertTrue(tail.startswith(" http://sl.ks/") and tail.endswith("("), tail)
        self.assertIn("\ufffd", tail)
        self.assertIsNone(self.shorten(hwnd, "example.com/latin", reply="latin1"))
        self.assertTrue(self.s.get_text(hwnd, YOUR_TWEET).endswith(" http://sl.ks/café"))

    def test_html_and_unicode_short_link_replies(self):
        program, hwnd = self.launch(tweet="Look")
        self.assertEqual(self.shorten(hwnd, "example.com/x", reply="html_tab"),
                         ("Whoops!", NO_LINK_TEXT))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "Look")
        # A byte-order mark decides over the label; a parameter named x-charset is not charset.
        for reply, link in (("utf16be_bom_labelled_le", " http://sl.ks/\u00e9t\u00e9"),
                            ("utf16le_no_bom", " http://sl.ks/\u00fc"),
                            ("x_charset_first", " http://sl.ks/\u00e9")):
            before = self.s.get_text(hwnd, YOUR_TWEET)
            self.assertIsNone(self.shorten(hwnd, "example.com/x", reply=reply), reply)
            self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), before + link)

    # --- hostile networks ------------------------------------------------------------------

    def test_the_password_never_follows_a_redirect_to_another_host(self):
        self.service.redirects["/statuses/update.xml"] = (
            307, "http://elsewhere.test/statuses/update.xml")
        program, hwnd = self.launch(USER, PASSWORD, "keep me")
        self.assert_refused_and_kept(program, hwnd, SEND_TWEET_BUTTON,
                                     "http://elsewhere.test/statuses/update.xml")
        self.assert_never_sent([r["headers"] for r in self.service.requests], "authorization")
        self.assertEqual([r for r in self.service.requests if r["endpoint"] == "stranger"], [])

    def test_redirects_within_the_service_are_followed_and_loops_end(self):
        self.service.redirects["/statuses/update.xml"] = (307, "/statuses/update.xml")
        program, hwnd = self.launch(USER, PASSWORD, "round and round")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertIn("redirected the request too many times", text)
        self.assertTrue(program.running())

        self.service.redirects = {"/statuses/update.xml": (307, "/moved/statuses/update.xml")}
        self.service.clear()
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), SUCCESS)
        request = self.service.wait_for_request("status", timeout=1, authorized=True)
        self.assertEqual(request["path"], "/moved/statuses/update.xml")
        self.assertEqual(request["form"], {"status": ["round and round"]})

    def test_a_proxy_asking_for_credentials_never_gets_the_account(self):
        self.service.misbehave_next("proxy_auth", count=5)
        program, hwnd = self.launch(USER, PASSWORD, "via proxy")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: The proxy server asks "
                                        "for a sign-in that Lumora does not give."), text)
        self.assertTrue(program.running())
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "via proxy")
        self.assertEqual(len(self.service.requests), 1)
        self.assert_never_sent([r["headers"] for r in self.service.requests],
                               "proxy-authorization", "authorization")

    def test_a_kept_connection_that_died_is_replaced_once_and_only_once(self):
        def credentialed():
            return [(r["kept_connection"], r["misbehaved"]) for r in self.service.requests
                    if r["credentials"]]

        # The proxy drops the connection it kept from the challenge: the whole round trip
        # again on a new one, and the post arrives.
        self.service.misbehave_next("drop_kept")
        verdict, posted = self.send(USER, PASSWORD, "kept")
        self.assertEqual(verdict, SUCCESS)
        self.assertEqual(posted["form"], {"status": ["kept"]})
        self.assertEqual(credentialed(), [(True, "drop_kept"), (True, None)])

        # Dropped again on the second connection: reported, never sent a third time.
        self.service.clear()
        self.service.misbehave_next("drop_kept", count=5)
        program, hwnd = self.launch(USER, PASSWORD, "dropped")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("Your Tweet could not be sent: "), text)
        self.assertEqual(credentialed(), [(True, "drop_kept"), (True, "drop_kept")])
        self.assertTrue(program.running())

    def test_without_winhttp_the_send_is_refused_in_a_box_and_the_window_stays(self):
        # WINEDLLOVERRIDES=winhttp=d for Lumora alone: Wine takes a program's overrides from
        # this key, and the variable does not pass through the driver's CreateProcess.
        key = "HKCU\\Software\\Wine\\AppDefaults\\Lumora.exe\\DllOverrides"
        self.s.wine("reg", "add", key, "/v", "winhttp", "/t", "REG_SZ", "/d", "", "/f")
        self.addCleanup(self.s.wine, "reg", "delete", key, "/f", check=False)
        program, hwnd = self.launch(USER, PASSWORD, "no web")
        self.s.set_text(hwnd, THE_LONG_URL, "example.com/page")
        for button, opening in ((SEND_TWEET_BUTTON, "Your Tweet could not be sent: "),
                                (CREATE_TINY_URL_BUTTON, "The short link could not be made: ")):
            text = self.assert_refused_and_kept(program, hwnd, button, "winhttp.dll")
            self.assertTrue(text.startswith(opening), text)
        self.assertEqual(self.service.requests, [])

    def send_expecting_no_success(self, user, password, tweet):
        program, hwnd = self.launch(user, password, tweet)
        verdict = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assert_ended(program)
        return verdict, self.service.requests

    def test_a_2_mb_error_page_gives_a_short_box_that_fits_the_screen(self):
        self.service.account_modes[USER] = "huge_page"
        program, hwnd = self.launch(USER, PASSWORD, "big")
        self.s.click(hwnd, SEND_TWEET_BUTTON)
        clicked = time.monotonic()
        box = self.wait_box(15)
        self.assertLess(time.monotonic() - clicked, 8)
        head = "The Tweet failed. Twitter.com advises:\n\n"
        self.assertTrue(box[2].startswith(head + "<html><body><p>Something"), box[2][:100])
        self.assertTrue(box[2].endswith("\u2026"))
        self.assertLessEqual(len(box[2]), len(head) + 1001)
        left, top, right, bottom = self.s.window_rect(box[0])
        self.assertGreaterEqual(left, 0)
        self.assertGreaterEqual(top, 0)
        self.assertLessEqual(right, 1280)
        self.assertLessEqual(bottom, 1024)
        ok_left, ok_top, ok_right, ok_bottom = self.s.window_rect(box[0], 1)  # IDOK
        self.assertLessEqual(ok_bottom, 1024)
        self.s.dismiss_message_box(box[0])
        self.assert_ended(program)

    def test_floods_endless_chunks_and_short_bodies_end_quickly(self):
        program, hwnd = self.launch(tweet="")
        # 100 MB and an endless chunked reply: the first mebibyte is kept, the rest dropped.
        for kind in ("flood", "endless_chunks"):
            self.service.misbehave_next(kind)
            started = time.monotonic()
            self.assertIsNone(self.shorten(hwnd, "example.com/" + kind), kind)
            self.assertLess(time.monotonic() - started, 20, kind)
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), " http://sl.ks/abc http://sl.ks/abc")
        # A body shorter than announced: whatever Wine makes of it, the window is kept.
        self.service.misbehave_next("short_body")
        self.shorten(hwnd, "example.com/short", timeout=40)
        self.assertTrue(program.running())
        self.assertTrue(self.s.is_enabled(hwnd, CREATE_TINY_URL_BUTTON))

    def set_internet_options(self, blob):
        self.s.wine("reg", "add", INTERNET_SETTINGS, "/v", "DefaultConnectionSettings",
                     "/t", "REG_BINARY", "/d", blob.hex(), "/f")
        self.addCleanup(self.s.wine, "reg", "delete", INTERNET_SETTINGS, "/v",
                        "DefaultConnectionSettings", "/f")

    def test_a_proxy_from_internet_options_is_used(self):
        self.set_internet_options(internet_options_blob("127.0.0.1:%d" % self.service.port))
        # http_proxy leads nowhere: only the user's own setting reaches the stand-in.
        verdict, request = self.send(USER, PASSWORD, "through the proxy",
                                     http_proxy="http://127.0.0.1:%d" % closed_port())
        self.assertEqual(verdict, SUCCESS)
        self.assertTrue(request["proxy_form"])

    def test_the_proxy_is_found_before_the_click_and_serves_it_also_after_a_failure(self):
        self.set_internet_options(
            internet_options_blob(script="http://127.0.0.1:%d/__proxy.pac" % self.service.port))
        # http_proxy leads nowhere: only the script's proxy reaches the stand-in.
        program, hwnd = self.launch(USER, PASSWORD, "prepared",
                                    http_proxy="http://127.0.0.1:%d" % closed_port())
        # Once the status shows, the script is fetched in the background (Wine keeps it for the
        # process's later lookups), and nothing goes to the services.
        self.assertIsNotNone(self.service.wait_for_request("proxy_script", timeout=20))
        self.assertEqual(self.endpoints(), ["proxy_script"])
        self.service.misbehave_next("reset")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual((title, text.startswith("Your Tweet could not be sent:")),
                         ("Whoops!", True), text)
        self.assertTrue(program.running())
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), SUCCESS)
        statuses = [r for r in self.service.requests if r["endpoint"] == "status"]
        self.assertEqual(statuses[0]["misbehaved"], "reset")
        self.assertTrue(all(r["proxy_form"] for r in statuses))

    @unittest.skipUnless(os.environ.get("LUMORA_SLOW_TESTS"), "set LUMORA_SLOW_TESTS=1 (2 min)")
    def test_a_trickling_reply_ends_at_the_deadline_and_keeps_everything(self):
        program, hwnd = self.launch(USER, PASSWORD, "slowly")
        self.s.set_text(hwnd, THE_LONG_URL, "example.com/kept")
        before = self.texts(hwnd)
        self.service.misbehave_next("trickle", count=10, seconds=5)
        self.s.click(hwnd, SEND_TWEET_BUTTON)
        clicked = time.monotonic()
        box = self.wait_box(150)
        took = time.monotonic() - clicked
        self.s.dismiss_message_box(box[0])
        self.assertEqual(box[1], "Whoops!")
        self.assertIn(TIMED_OUT_TEXT, box[2])
        self.assertLess(took, 120 + 10)
        self.assertGreater(took, 100)
        self.assertTrue(program.running())
        self.assertEqual(self.texts(hwnd), before)
        self.assertTrue(self.s.is_enabled(hwnd, SEND_TWEET_BUTTON))

    @unittest.skipUnless(os.environ.get("LUMORA_SLOW_TESTS"), "set LUMORA_SLOW_TESTS=1 (35 s)")
    def test_a_reply_that_never_comes_times_out_and_keeps_the_window(self):
        program, hwnd = self.launch(tweet="Look")
        self.service.misbehave_next("stall", seconds=45)
        title, text = self.shorten(hwnd, "example.com/slow", timeout=60) or (None, None)
        self.assertEqual(title, "Whoops!")
        self.assertIn("did not answer in time", text)
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
