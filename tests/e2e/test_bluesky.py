"""Lumora posting to Bluesky's reference PDS under Wine, behind nginx over TLS: a post read back
from the PDS with its facets, time, language and card; a wrong app password; an expired access
token renewed; the 300-grapheme limit; a second press after a lost answer.

One PDS (tests/pds, installed by scripts/install_pds.sh), one nginx and one relay for the suite
(reference_pds.py); the prefix trusts a test authority made for this run and runs in German, so
the post's language comes from Windows. Every test signs in anew with the app password."""

import datetime
import re
import shutil
import subprocess
import tempfile
import unittest

import harness
from fixture import SEND_TWEET_BUTTON, LumoraCase
import real_servers
import reference_pds
import tls_standin  # found through the fixture

POST = "app.bsky.feed.post"
CREATE, SESSION, REFRESH = ("com.atproto.repo.createRecord", "com.atproto.server.createSession",
                            "com.atproto.server.refreshSession")
GET = "com.atproto.repo.getRecord"
LINK = "app.bsky.richtext.facet#link"
# Wine keeps generic credentials here; removing it forgets every kept session.
CREDENTIALS_KEY = r"HKCU\Software\Wine\Credential Manager"
POSTED = re.compile(r"https://bsky\.app/profile/alice\.test/post/([a-z2-7]{13})$")
ADDRESSES = ("https://example.com/path?q=1&r=%C3%A9", "http://lumora.test/page")
# A non-ASCII word, an emoji with a skin tone and a family emoji (one grapheme of 7 code points,
# 11 UTF-16 units and 25 UTF-8 bytes) before the addresses: every count differs.
TEXT = ("Grüße aus Köln 👋🏽 von 👨\u200d👩\u200d👧\u200d👦: %s und %s ok"
        % ADDRESSES)
PAGE = "https://example.com/page"


def utc_now():
    return datetime.datetime.now(datetime.timezone.utc)


def german_locale():
    """LANG and LOCPATH for a German session: Wine takes the Windows user's language from the
    C library's locale, and this machine may have none but C compiled (the `locales` package
    has the sources). The caller removes the LOCPATH folder."""
    folder = tempfile.mkdtemp(prefix="lumora-locale-")
    subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8",
                    folder + "/de_DE.UTF-8"], check=True, capture_output=True, timeout=120)
    return {"LANG": "de_DE.UTF-8", "LOCPATH": folder}


class BlueskyTest(LumoraCase):
    fresh_settings = True

    @classmethod
    def start_services(cls):
        if not (reference_pds.installed() and real_servers.installed()):
            # A failure, not a skip: the test command installs both, so a missing one is a fault.
            raise AssertionError("the reference PDS or nginx is not installed "
                                 "(scripts/install_deps.sh installs them)")
        cls.session_env = german_locale()
        cls.addClassCleanup(shutil.rmtree, cls.session_env["LOCPATH"], ignore_errors=True)
        cls.authority = tls_standin.TestAuthority(hosts=(reference_pds.HOST,))
        cls.addClassCleanup(cls.authority.close)
        cls.network = reference_pds.PdsNetwork(cls.authority).start()
        cls.addClassCleanup(cls.network.stop)
        cls.pds, cls.relay = cls.network.pds, cls.network.relay
        return None

    def setUp(self):
        super().setUp()
        self.relay.clear()
        self.s.wine("reg", "delete", CREDENTIALS_KEY, "/f", check=False)
        self.set_values(StatusProtocol="bluesky", StatusAddress=self.network.url)

    def start(self, text, password=None, long_url=None):
        return self.launch(user=self.pds.handle, password=password or self.pds.app_password,
                           tweet=text, long_url=long_url)

    def assert_posted(self, verdict, text):
        """The record that the success box names, read back from the PDS: its text is `text`."""
        title, box = verdict
        self.assertEqual(title, "Congratulations!", box)
        found = POSTED.search(box)
        self.assertIsNotNone(found, box)
        record = self.pds.get_record(POST, found.group(1))
        self.assertIsNotNone(record, found.group(1))
        self.assertEqual(record["text"], text)
        return record

    def test_a_post_reads_back_with_facets_on_its_addresses_time_language_and_card(self):
        program, hwnd = self.start(TEXT, long_url=PAGE)
        before = utc_now()
        verdict = self.press(hwnd, SEND_TWEET_BUTTON, timeout=40)
        after = utc_now()
        record = self.assert_posted(verdict, TEXT)
        self.assert_ended(program)

        utf8 = TEXT.encode("utf-8")
        expected = []
        for address in ADDRESSES:
            start = utf8.index(address.encode("ascii"))
            expected.append(({"byteStart": start, "byteEnd": start + len(address)},
                             [{"$type": LINK, "uri": address}]))
        facets = [(f["index"], f["features"]) for f in record.get("facets", [])]
        self.assertEqual(facets, expected)
        for index, features in facets:
            self.assertEqual(utf8[index["byteStart"]:index["byteEnd"]].decode(),
                             features[0]["uri"])

        self.assertRegex(record["createdAt"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
        created = datetime.datetime.fromisoformat(record["createdAt"].replace("Z", "+00:00"))
        self.assertLessEqual(before - datetime.timedelta(seconds=1), created)
        self.assertLessEqual(created, after)
        self.assertEqual(record["langs"], ["de-DE"])
        self.assertEqual(record["embed"], {"$type": "app.bsky.embed.external", "external": {
            "uri": PAGE, "title": "example.com", "description": ""}})
        self.assertEqual(self.relay.calls(), [(SESSION, 200, False), (CREATE, 200, False)])

    def test_a_wrong_app_password_is_refused_and_nothing_is_posted(self):
        program, hwnd = self.start("wrong password", password="abcd-efgh-ijkl-mnop")
        self.assert_refused_and_kept(program, hwnd, SEND_TWEET_BUTTON, "@alice.test",
                                     "AuthenticationRequired")
        self.assertEqual(self.relay.calls(), [(SESSION, 401, False)])

    def test_an_expired_access_token_is_renewed_once_and_the_post_goes_through(self):
        self.relay.expire_next(SESSION)
        program, hwnd = self.start("renewed")
        self.assert_posted(self.press(hwnd, SEND_TWEET_BUTTON, timeout=40), "renewed")
        self.assertEqual(self.relay.calls(), [(SESSION, 200, False), (CREATE, 400, False),
                                              (REFRESH, 200, False), (CREATE, 200, False)])
        sent = [r["token"] for r in self.relay.requests]
        self.assertNotEqual(sent[1], sent[3], "the post was retried with the expired token")

    def test_over_300_graphemes_is_refused_unsent_and_300_are_posted(self):
        # 301 clusters of two code points each: 602 UTF-16 units, 903 UTF-8 bytes.
        cluster = "e\u0301"
        program, hwnd = self.start(cluster * 301)
        title, text = self.press(hwnd, SEND_TWEET_BUTTON)
        self.assertEqual(title, "Your post exceeds the maximum length allowed by Bluesky")
        self.assertIn("300", text)
        self.assertTrue(program.running())
        self.assertEqual(self.relay.calls(), [])
        self.set_boxes(hwnd, tweet=cluster * 300)
        self.assert_posted(self.press(hwnd, SEND_TWEET_BUTTON, timeout=40), cluster * 300)

    def test_a_second_press_after_a_lost_answer_leaves_one_record(self):
        text = "lost answer %s" % utc_now().isoformat()
        self.relay.drop_next(CREATE)
        program, hwnd = self.start(text)
        title, box = self.press(hwnd, SEND_TWEET_BUTTON, timeout=60)
        self.assertEqual(title, "Whoops!")
        self.assertIn("may have arrived", box)
        self.assertTrue(program.running())
        self.assertTrue(harness.wait_until(lambda: self.s.is_enabled(hwnd, SEND_TWEET_BUTTON)))
        self.assert_posted(self.press(hwnd, SEND_TWEET_BUTTON, timeout=40), text)
        self.assertEqual([r["value"]["text"] for r in self.pds.records()].count(text), 1)
        self.assertEqual(self.relay.calls(CREATE), [(CREATE, 200, True)])
        self.assertEqual(self.relay.calls(GET), [(GET, 200, False)])


if __name__ == "__main__":
    unittest.main()
