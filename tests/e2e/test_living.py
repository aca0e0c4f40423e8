"""Lumora against services that exist today, imitated by the stand-in under Wine: Friendica's
classic API and a simple shortening API named by a {url} address.

One Wine session and one stand-in for the suite; each test sets the values under Lumora's key
with `reg add` before it starts Lumora and starts from an empty key."""

import unittest

import harness
from fixture import (CREATE_TINY_URL_BUTTON, FRIENDICA_ADDRESS, NO_LINK_TEXT, PASSWORD,
                     SEND_TWEET_BUTTON, SHORTENER_ADDRESS, SUCCESS, THE_LONG_URL, USER, YOUR_TWEET,
                     LumoraCase)



class LivingServicesTest(LumoraCase):
    standin = "plain"
    accounts = {USER: PASSWORD}
    fresh_settings = True

    def signed_in(self, tweet):
        return self.launch(user=USER, password=PASSWORD, tweet=tweet)

    def test_friendica_takes_the_post_after_its_own_challenge_and_its_error_is_shown(self):
        self.set_values(StatusAddress=FRIENDICA_ADDRESS, StatusName="Friendica")
        program, hwnd = self.signed_in("Hello from Lumora & friends")
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON), SUCCESS)
        self.assert_ended(program)
        first, second = [r for r in self.service.requests if r["endpoint"] == "status"][:2]
        self.assertEqual((first["status"], first["credentials"]), (401, None))
        self.assertEqual((second["status"], second["credentials"]), (200, [USER, PASSWORD]))
        self.assertEqual(second["target"], "http://friendica.example:80/api/statuses/update.xml")
        self.assertEqual(second["form"], {"status": ["Hello from Lumora & friends"]})

        self.service.clear()
        self.service.status_mode = "server_error"
        program, hwnd = self.signed_in("refused")
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Whoops!")
        self.assertTrue(text.startswith("The Tweet failed. Friendica advises:\n\n<?xml"), text)
        self.assertIn("<status><error>Failed</error><code>400 Bad Request</code>", text)

    def test_a_url_address_asks_a_simple_api_with_one_get_and_appends_its_link(self):
        self.set_values(SightlinkAddress=SHORTENER_ADDRESS)
        program, hwnd = self.signed_in("Look")
        self.s.set_text(hwnd, THE_LONG_URL, "example.com/a page?x=1&y=2")
        self.s.click(hwnd, CREATE_TINY_URL_BUTTON)
        request = self.service.wait_for_request("shortener")
        self.assertEqual(request["method"], "GET")
        self.assertEqual(request["target"], "http://short.example:80/create.php?format=simple&url="
                                            "http%3A%2F%2Fexample.com%2Fa%20page%3Fx%3D1%26y%3D2")
        self.assertEqual(request["long_url"], "http://example.com/a page?x=1&y=2")
        self.assertIsNone(request["credentials"])
        appended = harness.wait_until(
            lambda: self.s.get_text(hwnd, YOUR_TWEET) == "Look https://short.example/0")
        self.assertTrue(appended, self.s.get_text(hwnd, YOUR_TWEET))

        self.service.shortener_reply = "error"
        self.assertEqual(self.press(hwnd, CREATE_TINY_URL_BUTTON), ("Whoops!", NO_LINK_TEXT))
        self.assertEqual(self.s.get_text(hwnd, YOUR_TWEET), "Look https://short.example/0")
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
