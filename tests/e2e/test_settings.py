"""The "Service settings" dialog of Lumora's system menu under Wine: what it shows, what OK and
Cancel write under Lumora's key, that the running Lumora uses new values at once, and that a
stored password stays with the server it was made for, whether the dialog or a merged .reg file
names another.

One Wine session and one stand-in for the suite; each test starts from an empty key."""

import os
import re
import unittest

import harness
from fixture import (CREATE_TINY_URL_BUTTON, DATA_FOLDER, FRIENDICA_ADDRESS, PASSWORD,
                     SEND_TWEET_BUTTON, SETTINGS_KEY, SHORTENER_ADDRESS, THE_LONG_URL, USER,
                     YOUR_PASSWORD, YOUR_TWEET, LumoraCase)


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


class ServiceSettingsDialogTest(LumoraCase):
    standin = "plain"
    accounts = {USER: PASSWORD}
    fresh_settings = True

    def open_dialog(self, hwnd):
        self.s.choose_system_menu_item(hwnd, MENU_ACCESS_KEY)
        dialog = self.s.wait_window(cls="#32770", title=DIALOG_TITLE, timeout=10)
        self.assertIsNotNone(dialog, "the dialog did not open")
        return dialog

    def boxes(self, dialog):
        return [self.s.get_text(dialog, box)
                for box in (STATUS_ADDRESS, STATUS_NAME, SIGHTLINK_ADDRESS)]

    def fill(self, dialog, status_address, status_name, sightlink_address):
        for box, text in ((STATUS_ADDRESS, status_address), (STATUS_NAME, status_name),
                          (SIGHTLINK_ADDRESS, sightlink_address)):
            self.s.set_text(dialog, box, text)

    def close_with(self, dialog, button):
        self.s.click(dialog, button)
        closed = harness.wait_until(lambda: not self.s.is_visible(dialog), timeout=10)
        self.assertTrue(closed, "the dialog stayed open")

    def refused_in_dialog(self, dialog, text, box_id):
        """OK is refused with a "Whoops!" box holding `text`; the dialog stays, focus on the box."""
        self.s.click(dialog, harness.IDOK)
        box = self.wait_box(10, title="Whoops!")
        self.assertIn(text, box[2])
        self.s.dismiss_message_box(box[0])
        self.assertTrue(self.s.is_visible(dialog), "the dialog closed on a refused value")
        self.assertTrue(harness.wait_until(
            lambda: self.s.focused_control(dialog) == box_id, timeout=5))

    def merge_reg(self, **values):
        """Merges a .reg file that sets `values` under Lumora's key, as a user double-clicks one."""
        lines = ["Windows Registry Editor Version 5.00", "", "[" + SETTINGS_KEY.replace(
            "HKCU", "HKEY_CURRENT_USER") + "]"] + ['"%s"="%s"' % kv for kv in values.items()]
        with open(self.s.unix_path("C:\\settings.reg"), "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")
        self.s.wine("regedit", "C:\\settings.reg")

    def stored(self):
        return {name: data for name, (_, data) in (self.s.reg_query(SETTINGS_KEY) or {}).items()}

    def test_ok_stores_checked_values_and_lumora_uses_them_without_a_restart(self):
        program, hwnd = self.launch()
        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), ["", "", ""])
        self.assertEqual(self.s.focused_control(dialog), CLASSIC)
        self.assertEqual(self.s.info(dialog)["pid"], program.pid)

        self.fill(dialog, "friendica.example/api", "Friendica", SHORTENER_ADDRESS)
        self.refused_in_dialog(
            dialog, 'The status address "friendica.example/api" is not an http://', STATUS_ADDRESS)
        self.assertEqual(self.stored(), {})

        self.s.set_text(dialog, STATUS_ADDRESS, FRIENDICA_ADDRESS)
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {"StatusAddress": FRIENDICA_ADDRESS,
                                         "StatusName": "Friendica",
                                         "SightlinkAddress": SHORTENER_ADDRESS})
        self.assertEqual(self.s.reg_query(SETTINGS_KEY)["StatusAddress"][0], "REG_SZ")

        self.s.set_text(hwnd, THE_LONG_URL, "example.com/page")
        self.s.click(hwnd, CREATE_TINY_URL_BUTTON)
        request = self.service.wait_for_request("shortener")
        self.assertEqual(request["target"], "http://short.example:80/create.php?format=simple&url="
                                            "http%3A%2F%2Fexample.com%2Fpage")
        self.assertTrue(harness.wait_until(
            lambda: self.s.get_text(hwnd, YOUR_TWEET) == "clipboard text https://short.example/0"))

        self.set_boxes(hwnd, user=USER, password=PASSWORD)
        self.s.click(hwnd, SEND_TWEET_BUTTON)
        verdict = self.wait_box(20, title="Congratulations!")
        posted = self.service.wait_for_request("status", authorized=True)
        self.assertEqual(posted["target"], "http://friendica.example:80/api/statuses/update.xml")
        self.s.dismiss_message_box(verdict[0])
        self.assert_ended(program)

    def test_the_dialog_shows_what_is_stored_cancel_writes_nothing_and_empty_boxes_delete(self):
        self.set_values(StatusAddress=FRIENDICA_ADDRESS, StatusName="Friendica")
        before = self.stored()
        _, hwnd = self.launch()

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), [FRIENDICA_ADDRESS, "Friendica", ""])
        self.s.click(dialog, MASTODON)
        self.fill(dialog, "https://social.example", "Social", SHORTENER_ADDRESS)
        self.close_with(dialog, IDCANCEL)
        self.assertEqual(self.stored(), before)

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), [FRIENDICA_ADDRESS, "Friendica", ""])
        self.s.click(dialog, MASTODON)
        self.fill(dialog, " https://social.example ", "", "")
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {"StatusProtocol": "mastodon",
                                         "StatusAddress": "https://social.example"})

        dialog = self.open_dialog(hwnd)
        self.assertEqual(self.boxes(dialog), ["https://social.example", "", ""])
        self.assertEqual(self.s.focused_control(dialog), MASTODON)
        self.s.click(dialog, CLASSIC)
        self.fill(dialog, "", "", "")
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.stored(), {})
        self.assertTrue(self.s.no_message_box_within(0.5))

    def test_a_stored_password_goes_only_to_its_own_server(self):
        self.set_values(StatusAddress=FRIENDICA_ADDRESS)
        program, hwnd = self.launch(user=USER, password=PASSWORD)
        self.assertEqual(self.press(hwnd, SEND_TWEET_BUTTON)[0], "Congratulations!")
        self.assert_ended(program)
        pw_dat = os.path.join(self.s.unix_path(DATA_FOLDER), "PW.DAT")
        with open(pw_dat, "rb") as f:
            stored = f.read()

        # In the dialog, a Mastodon-compatible server at http:// is refused; at https:// the
        # password box empties, and the file keeps the password for its own server.
        program, hwnd = self.launch()
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), PASSWORD)
        dialog = self.open_dialog(hwnd)
        self.s.click(dialog, MASTODON)
        self.s.set_text(dialog, STATUS_ADDRESS, "http://social.example")
        self.refused_in_dialog(
            dialog, 'The status address box holds "http://social.example", but a '
            'Mastodon-compatible server needs https://', STATUS_ADDRESS)
        self.s.set_text(dialog, STATUS_ADDRESS, "https://social.example")
        self.close_with(dialog, harness.IDOK)
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), "")
        program.kill()

        # Between runs, a merged .reg file: the server the password was made for shows it again,
        # another does not, and an http:// one is refused at SEND with the text kept.
        self.merge_reg(StatusProtocol="", StatusAddress=FRIENDICA_ADDRESS)
        program, hwnd = self.launch()
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), PASSWORD)
        program.kill()
        self.merge_reg(StatusProtocol="mastodon", StatusAddress="http://social.example/")
        program, hwnd = self.launch()
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), "")
        with open(pw_dat, "rb") as f:
            self.assertEqual(f.read(), stored)
        self.set_boxes(hwnd, password="a-token")
        sent = self.endpoints()
        self.assert_refused_and_kept(program, hwnd, SEND_TWEET_BUTTON,
                                     'StatusAddress in HKEY_CURRENT_USER', "needs https://")
        self.assertEqual(self.endpoints(), sent, "nothing was sent")


if __name__ == "__main__":
    unittest.main()
