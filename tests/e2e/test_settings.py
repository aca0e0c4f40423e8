"""The "Service settings" dialog of Lumora's system menu under Wine: what it shows, what OK and
Cancel write under Lumora's key, and that the running Lumora uses new values at once.

One Wine session and one stand-in for the module; each test starts from an empty key."""

import os
import re
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


def dialog_ids():
    """{name: id} from the header that the dialog's template and its code share."""
    with open(os.path.join(harness.REPO, "platform", "win32", "service_dialog_ids.h"),
              encoding="utf-8") as f:
        return {name: int(number) for name, number in
                re.findall(r"^#define LUMORA_SERVICE_(\w+) (\d+)$", f.read(), re.MULTILINE)}


DIALOG = dialog_ids()
CLASSIC, MASTODON = DIALOG["CLASSIC"], DIALOG["MASTODON"]
STATUS_ADDRESS, STATUS_NAME = DIALOG["STATUS_ADDRESS"], DIALOG["STATUS_NAME"]
SIGHTLINK_ADDRESS = DIALOG["SIGHTLINK_ADDRESS"]
IDCANCEL = 2

DIALOG_TITLE = "Service settings"
MENU_ACCESS_KEY = "e"  # "Service s&ettings…"
SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
DATA_FOLDER = "C:\\Program Files\\Kestrova"
USER, PASSWORD = "demo", "secret"
FRIENDICA_ADDRESS = "http://friendica.example/api/statuses/update.xml"
SHORTENER_ADDRESS = "http://short.example/create.php?format=simple&url={url}"

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


class ServiceSettingsDialogTest(unittest.TestCase):
    def setUp(self):
        session.kill_programs()
        shutil.rmtree(session.unix_path(DATA_FOLDER), ignore_errors=True)
        session.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)
        service.clear()
        service.status_mode = "ok"
        service.shortener_reply = "ok"
        self.addCleanup(session.kill_programs)

    def launch(self):
        session.set_clipboard("clipboard text")
        program = session.start(harness.lumora_exe())
        hwnd = session.wait_window(cls="LumoraMain", timeout=20)
        self.assertIsNotNone(hwnd, "LumoraMain did not show")
        harness.wait_until(lambda: session.get_text(hwnd, YOUR_TWEET), timeout=10)
        return program, hwnd

    def open_dialog(self, hwnd):
        session.choose_system_menu_item(hwnd, MENU_ACCESS_KEY)
        dialog = session.wait_window(cls="#32770", title=DIALOG_TITLE, timeout=10)
        self.assertIsNotNone(dialog, "the dialog did not open")
        return dialog

    def boxes(self, dialog):
        return [session.get_text(dialog, box)
                for box in (STATUS_ADDRESS, STATUS_NAME, SIGHTLINK_ADDRESS)]

    def fill(self, dialog, status_address, status_name, sightlink_address):
        for box, text in ((STATUS_ADDRESS, status_address), (STATUS_NAME, status_name),
                          (SIGHTLINK_ADDRESS, sightlink_address)):
            session.set_text(dialog, box, text)

    def close_with(self, dialog, button):
        session.click(dialog, button)
        closed = harness.wait_until(lambda: not session.is_visible(dialog), timeout=10)
        self.assertTrue(closed, "the dialog stayed open")

    def stored(self):
        return {name: data for name, (_, data) in (session.reg_query(SETTINGS_KEY) or {}).items()}

    def test_ok_stores_checked_values_and_lumora_uses_them_without_a_restart(self):
        program, hwnd = self.launch()
        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), ["", "", ""])
        self.assertEqual(session.focused_control(dialog), CLASSIC)
        self.assertEqual(session.info(dialog)["pid"], program.pid)

        self.fill(dialog, "friendica.example/api", "Friendica", SHORTENER_ADDRESS)
        session.click(dialog, harness.IDOK)
        box = session.wait_message_box(title="Whoops!")
        self.assertIsNotNone(box, "a refused address brought no box")
        self.assertIn('The status address "friendica.example/api" is not an http://', box[2])
        session.dismiss_message_box(box[0])
        self.assertTrue(session.is_visible(dialog), "the dialog closed on a refused value")
        self.assertTrue(harness.wait_until(
            lambda: session.focused_control(dialog) == STATUS_ADDRESS, timeout=5))
        self.assertEqual(self.stored(), {})

        session.set_text(dialog, STATUS_ADDRESS, FRIENDICA_ADDRESS)
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {"StatusAddress": FRIENDICA_ADDRESS,
                                         "StatusName": "Friendica",
                                         "SightlinkAddress": SHORTENER_ADDRESS})
        self.assertEqual(session.reg_query(SETTINGS_KEY)["StatusAddress"][0], "REG_SZ")

        session.set_text(hwnd, THE_LONG_URL, "example.com/page")
        session.click(hwnd, CREATE_TINY_URL_BUTTON)
        request = service.wait_for_request("shortener")
        self.assertEqual(request["target"], "http://short.example:80/create.php?format=simple&url="
                                            "http%3A%2F%2Fexample.com%2Fpage")
        self.assertTrue(harness.wait_until(
            lambda: session.get_text(hwnd, YOUR_TWEET) == "clipboard text https://short.example/0"))

        session.set_text(hwnd, YOUR_USER_NAME, USER)
        session.set_text(hwnd, YOUR_PASSWORD, PASSWORD)
        session.click(hwnd, SEND_TWEET_BUTTON)
        verdict = session.wait_message_box(title="Congratulations!", timeout=20)
        self.assertIsNotNone(verdict, "the post to the new address did not succeed")
        posted = service.wait_for_request("status", authorized=True)
        self.assertEqual(posted["target"], "http://friendica.example:80/api/statuses/update.xml")
        session.dismiss_message_box(verdict[0])
        self.assertIsNotNone(program.wait_exit(10), "Lumora did not end after the verdict")

    def test_the_dialog_shows_what_is_stored_cancel_writes_nothing_and_empty_boxes_delete(self):
        for name, value in (("StatusAddress", FRIENDICA_ADDRESS), ("StatusName", "Friendica")):
            session.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
        before = self.stored()
        _, hwnd = self.launch()

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), [FRIENDICA_ADDRESS, "Friendica", ""])
        session.click(dialog, MASTODON)
        self.fill(dialog, "https://social.example", "Social", SHORTENER_ADDRESS)
        self.close_with(dialog, IDCANCEL)
        self.assertEqual(self.stored(), before)

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), [FRIENDICA_ADDRESS, "Friendica", ""])
        session.click(dialog, MASTODON)
        self.fill(dialog, " https://social.example ", "", "")
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {"StatusProtocol": "mastodon",
                                         "StatusAddress": "https://social.example"})

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), ["https://social.example", "", ""])
        self.assertEqual(session.focused_control(dialog), MASTODON)
        session.click(dialog, CLASSIC)
        self.fill(dialog, "", "", "")
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {})
        self.assertTrue(session.no_message_box_within(0.5))


if __name__ == "__main__":
    unittest.main()
