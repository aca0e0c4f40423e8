"""Lumora posting to a Mastodon-compatible server, imitated by the stand-in under Wine: the
window's words, the limits the server publishes and the counter, a post with its token and
key, every refusal, a second press after a time-out, the question before an edited text after
a lost answer, a mebibyte of nested JSON, and the token on the first request inside the tunnel.

One Wine session and one TLS-capable stand-in for the suite, whose prefix trusts a test
authority made for this run: every request goes over TLS through the proxy, as a
Mastodon-compatible server is reached over https:// only. The values are set with `reg add`
before Lumora starts."""

import os
import unittest

import harness
from fixture import (DATA_FOLDER, LABEL1, LABEL2, LABEL4, LLEN, SEND_TWEET_BUTTON, YOUR_PASSWORD,
                     YOUR_TWEET, LumoraCase)
import tls_standin  # found through the fixture

TOKEN = "Zq3-token_for.Lumora"
SERVER = "https://" + tls_standin.STATUS_HOST + "/"
NAME = "Social"
# A link of any length counts as 23 characters.
LINKED = "Read https://example.com/" + "a" * 60 + " now"


class MastodonTest(LumoraCase):
    standin = "tls"
    fresh_settings = True

    @classmethod
    def prepare(cls):
        cls.service.mastodon_hosts.add(tls_standin.STATUS_HOST)
        cls.service.mastodon_tokens = {TOKEN}

    def setUp(self):
        super().setUp()
        self.set_values(StatusProtocol="Mastodon", StatusAddress=SERVER, StatusName=NAME)

    def start(self, clipboard):
        """Lumora with `clipboard` taken in and the token in its box, once the server's
        limits have been asked for."""
        program, hwnd = self.launch(clipboard, user="", password=TOKEN)
        self.service.wait_for_request("instance")
        return program, hwnd

    def counter_shows(self, hwnd, caption):
        shown = harness.wait_until(lambda: self.s.get_text(hwnd, LLEN) == caption)
        self.assertTrue(shown, self.s.get_text(hwnd, LLEN))

    def assert_token_only_in_posts(self):
        for record in self.service.requests:
            carried = [v for k, v in record["headers"] if k.lower() == "authorization"]
            if record["endpoint"] == "mastodon":
                self.assertEqual(carried, ["Bearer " + TOKEN])
            else:
                self.assertEqual(carried, [], record["target"])

    def test_a_post_and_each_refusal(self):
        program, hwnd = self.start("Tom & Jerry \u00e9 " + LINKED)
        self.assertEqual([self.s.get_text(hwnd, i) for i in (LABEL1, LABEL2, LABEL4)],
                         ["User Name (not needed)", "Your Access Token",
                          "(Automatically adds the URL to your Post)"])
        self.assertEqual(self.s.get_text(hwnd, SEND_TWEET_BUTTON), "SEND YOUR POST")
        self.counter_shows(hwnd, "46 Characters.")

        advises = "The post failed. " + NAME + " advises:\n\n"
        refusals = [
            ("unauthorized", advises + "The access token is invalid"),
            ("forbidden", advises + "This action is not allowed"),
            ("unprocessable", advises + "Validation failed: Text character limit of 500 exceeded"),
            ("rate_limited", advises + "Too many requests\n\n"
                                       "Try again after 20:05 UTC on 2026-12-07."),
            ("server_error", advises + "An unexpected error occurred"),
            ("unavailable", advises + "Service Unavailable"),
            ("not_json", advises + "<html><body>Bad gateway</body></html>"),
        ]
        for mode, text in refusals:
            self.service.mastodon_mode = mode
            self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), ("Whoops!", text), mode)
            self.assertTrue(program.running())
            self.assertTrue(harness.wait_until(lambda: self.s.is_enabled(hwnd, SEND_TWEET_BUTTON)))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "Tom & Jerry \u00e9 " + LINKED)
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), TOKEN)

        self.service.mastodon_mode = "ok"
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Congratulations!")
        post = next(iter(self.service.posts.values()))
        self.assertEqual(text, "Your post was published on " + NAME + ".\n\n" + post["url"])
        self.assert_ended(program)

        posts = [r for r in self.service.requests if r["endpoint"] == "mastodon"]
        self.assertEqual(len(posts), len(refusals) + 1)
        last = posts[-1]
        self.assertEqual(last["path"], "/api/v1/statuses")
        self.assertEqual(dict((k.lower(), v) for k, v in last["headers"])["content-type"],
                         "application/x-www-form-urlencoded")
        self.assertEqual(last["body_text"], "status=Tom+%26+Jerry+%C3%A9+Read+https%3A%2F%2F"
                                            "example.com%2F" + "a" * 60 + "+now")
        # The same text keeps its key through every press of the run.
        self.assertEqual(len({r["idempotency_key"] for r in posts}), 1)
        self.assertEqual(len(posts[0]["idempotency_key"]), 40)
        first = self.service.requests[0]
        self.assertEqual((first["endpoint"], first["path"]), ("instance", "/api/v2/instance"))
        self.assert_token_only_in_posts()
        with open(os.path.join(self.s.unix_path(DATA_FOLDER), "PW.DAT"), "rb") as stored:
            self.assertEqual(stored.read(), TOKEN.encode() + b"\r\n")

    def test_the_limit_comes_from_v2_then_v1_then_the_default(self):
        self.service.max_characters = 40
        program, hwnd = self.start(LINKED)
        self.counter_shows(hwnd, "32 Characters.")
        self.s.type_text(hwnd, YOUR_TWEET, "0123456789")
        self.counter_shows(hwnd, "42 Characters.( Over the limit of 40: shorten it before you "
                                 "send )")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON),
                         ("Your post exceeds the maximum length allowed by " + NAME,
                          "Please adjust the text in your post so that it is within 40 "
                          "characters."))
        self.assertFalse([r for r in self.service.requests if r["endpoint"] == "mastodon"])
        program.kill()

        self.service.clear()
        self.service.instance_mode, self.service.max_characters = "v1", 30
        program, hwnd = self.start("b" * 50)
        # Cut to the default at first, then again to the server's own limit.
        self.assertTrue(harness.wait_until(lambda: self.s.get_text(hwnd, YOUR_TWEET) == "b" * 30))
        self.counter_shows(hwnd, "30 Characters.")
        self.assertEqual([r["path"] for r in self.service.requests],
                         ["/api/v2/instance", "/api/v1/instance"])
        program.kill()

        self.service.clear()
        self.service.instance_mode = "none"
        program, hwnd = self.start("c" * 600)
        harness.wait_until(lambda: len(self.service.requests) == 2)
        self.counter_shows(hwnd, "500 Characters.")
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "c" * 500)
        self.assert_token_only_in_posts()

    def test_an_emoji_with_its_skin_tone_and_a_family_count_one_each(self):
        # 15 code points, 8 characters as the server counts them: within its limit of 8.
        family = "\U0001F468\u200d\U0001F469\u200d\U0001F467\u200d\U0001F466"
        text = "Nice \U0001F44D\U0001F3FD " + family
        self.service.max_characters = 8
        program, hwnd = self.start(text)
        self.counter_shows(hwnd, "8 Characters.")
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), text)
        program.kill()

    def test_a_second_press_after_a_time_out_posts_once(self):
        program, hwnd = self.start("Only once, please")
        # The server takes the post but answers after Lumora has stopped waiting (30 s).
        self.service.misbehave_next("stall", seconds=40)
        title, text = self.press(hwnd, SEND_TWEET_BUTTON, timeout=90)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("No answer came after your post was sent: "), text)
        self.assertIn("may have arrived at " + SERVER, text)
        self.assertNotIn("Nothing was posted", text)
        self.assertTrue(program.running())
        harness.wait_until(lambda: len(self.service.posts) == 1, timeout=30)

        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        posts = [r for r in self.service.requests if r["endpoint"] == "mastodon"]
        self.assertEqual(len(posts), 2)
        self.assertEqual(posts[0]["idempotency_key"], posts[1]["idempotency_key"])
        self.assertEqual(len(self.service.posts), 1, "the server holds one post")

    def test_an_edited_text_after_a_lost_answer_asks_before_it_goes(self):
        _, hwnd = self.start("Lost on the way")
        self.service.misbehave_next("reset")
        self.assertIn("may have arrived", self.press(hwnd, SEND_TWEET_BUTTON)[1])
        self.s.set_text(hwnd, YOUR_TWEET, "Lost on the way again")
        sent = len(self.service.requests)
        for answer in (harness.IDNO, harness.IDYES):
            self.s.click(hwnd, SEND_TWEET_BUTTON)
            box = self.wait_box(title="Send as a new post?")
            self.s.dismiss_message_box(box[0], answer)
            if answer == harness.IDNO:
                self.assertTrue(self.s.no_message_box_within(2))
                self.assertEqual(len(self.service.requests), sent, "sent after No")
        self.assertEqual(self.wait_box()[1], "Congratulations!")
        self.assertEqual([p["text"] for p in self.service.posts.values()],
                         ["Lost on the way again"])

    def test_a_mebibyte_of_nesting_ends_in_a_box_within_the_deadline(self):
        program, hwnd = self.start("Nested reply")
        self.service.mastodon_mode = "nested"
        # The request's own deadline is 120 s; the box comes long before it.
        title, text = self.press(hwnd, SEND_TWEET_BUTTON, timeout=120)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("The post failed. " + NAME + ' advises:\n\n{"id":"1",'
                                        '"a":[[['), text[:80])
        self.assertTrue(program.running())

    def test_a_server_that_forbids_a_missing_token_gets_it_on_the_first_request(self):
        # As Pleroma and Akkoma answer: 403, no challenge that would bring the token after.
        self.service.missing_token_status = 403
        program, hwnd = self.start("Over TLS")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        self.assert_ended(program)
        self.assertTrue(self.service.tunnels)
        self.assert_never_sent([t["headers"] for t in self.service.tunnels], "authorization")
        for request in self.service.requests:
            self.assertEqual(request["tunnel"], tls_standin.STATUS_HOST, request["target"])
        posts = [r for r in self.service.requests if r["endpoint"] == "mastodon"]
        self.assertEqual([p["token"] for p in posts], [TOKEN])
        self.assertEqual(len(self.service.posts), 1)

if __name__ == "__main__":
    unittest.main()
