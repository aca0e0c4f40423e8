"""Lumora's window under Wine: start-up, stored credentials, single instance, clipboard intake
and the character counter. One Wine session for the suite; each test starts from an empty
data folder and no running program."""

import collections
import os
import shutil
import sys
import unittest

import harness
from fixture import (CREATE_TINY_URL_BUTTON, DATA_FOLDER, FRAME1, LABEL1, LABEL2, LABEL3, LABEL4,
                     LLEN, PICTURE1, SEND_TWEET_BUTTON, THE_LONG_URL, YOUR_PASSWORD, YOUR_TWEET,
                     YOUR_USER_NAME, LumoraCase)

sys.path.insert(0, os.path.join(harness.REPO, "scripts"))
import draw_art  # noqa: E402

ROOT_DATA_FOLDER = "C:\\Kestrova"
OTHER_PROGRAM_FILES = "C:\\Apps"
YELLOW, DARK_RED = (255, 255, 0), (192, 0, 0)
WARNING_NOTE = '( FYI: Only the first 140 will be sent as "a tweet" )'


class LumoraWindowTest(LumoraCase):
    def setUp(self):
        super().setUp()
        for folder in (ROOT_DATA_FOLDER, OTHER_PROGRAM_FILES):
            shutil.rmtree(self.s.unix_path(folder), ignore_errors=True)

    # --- helpers ---------------------------------------------------------------------------

    def data_file(self, name, folder=DATA_FOLDER):
        return self.s.unix_path(folder + "\\" + name)

    def write_credentials(self, user_name_bytes, password_bytes):
        os.makedirs(self.s.unix_path(DATA_FOLDER), exist_ok=True)
        with open(self.data_file("UN.DAT"), "wb") as f:
            f.write(user_name_bytes)
        with open(self.data_file("PW.DAT"), "wb") as f:
            f.write(password_bytes)

    def read_bytes(self, name):
        with open(self.data_file(name), "rb") as f:
            return f.read()

    def file_states(self):
        return {n: (os.stat(self.data_file(n)).st_mtime_ns, self.read_bytes(n))
                for n in ("UN.DAT", "PW.DAT")}

    def launch(self, clipboard="hello", timeout=20, **start_options):
        """Starts Lumora with that clipboard text and returns (program, window handle)."""
        return super().launch(clipboard, timeout=timeout, intake=False, **start_options)

    def counter_colour(self, hwnd):
        """Which of the two counter text colours LLEN shows (after its repaint)."""

        def colour():
            seen = self.s.colors(hwnd, LLEN)
            shown = [c for c in (YELLOW, DARK_RED) if seen[c] > 0]
            return shown[0] if len(shown) == 1 else None

        return harness.wait_until(colour, timeout=5, interval=0.1)

    def intake(self, clipboard, **start_options):
        """(status text, counter caption) after Lumora has taken that clipboard text."""
        program, hwnd = self.launch(clipboard, **start_options)
        counter = self.wait_counter(hwnd)
        self.assertTrue(counter, "the counter was never set")
        self.assertTrue(program.running())
        return self.s.get_text(hwnd, YOUR_TWEET), counter

    # --- start-up and window ---------------------------------------------------------------

    def test_first_run_creates_empty_files_and_opens_topmost_centred_window(self):
        program, hwnd = self.launch("hello")
        self.assertEqual(os.path.getsize(self.data_file("UN.DAT")), 0)
        self.assertEqual(os.path.getsize(self.data_file("PW.DAT")), 0)
        self.assertEqual(self.s.get_text(hwnd, YOUR_USER_NAME), "")
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), "")
        self.assertEqual(self.s.focused_control(hwnd), YOUR_PASSWORD)

        info = self.s.info(hwnd)
        self.assertTrue(info["ex_style"] & harness.WS_EX_TOPMOST, "window is not topmost")
        self.assertTrue(info["title"].startswith("Lumora"), info["title"])
        self.assertTrue(info["title"].endswith("   Version 1.2"), info["title"])
        self.assertEqual(info["client"][2:], [677, 390])
        left, top, right, bottom = info["rect"]
        self.assertLessEqual(abs((left + right) - 1280), 2, "not centred horizontally")
        self.assertLessEqual(abs((top + bottom) - 1024), 2, "not centred vertically")

        captions = {c["id"]: c["text"] for c in self.s.controls(hwnd)}
        self.assertEqual(captions[LABEL1], "Your Twitter User Name")
        self.assertEqual(captions[LABEL2], "Your Twitter Password")
        self.assertEqual(captions[LABEL3],
                         "OPTION : Create a Tiny Sightlink (Paste a L-O-N-G Web Address here)")
        self.assertEqual(captions[LABEL4], "(Automatically adds the URL to your Tweet)")
        self.assertEqual(captions[THE_LONG_URL], "")
        self.assertEqual(captions[CREATE_TINY_URL_BUTTON], "Create a Tiny Sightlink")
        self.assertEqual(captions[SEND_TWEET_BUTTON], "SEND YOUR TWEET")
        self.assertEqual(captions[FRAME1], "")
        self.assertEqual(self.wait_counter(hwnd), "5 Characters.")
        self.assert_bird_shows_exactly(hwnd)

        self.s.close(hwnd)
        self.assertIsNotNone(program.wait_exit(10), "closing the window did not end Lumora")

    def assert_bird_shows_exactly(self, hwnd):
        """Picture1 shows every pixel of the stored bird that fits it, in its exact colour
        (the resource is run-length encoded; a failed or wrong decoding shows other pixels)."""
        with open(os.path.join(harness.REPO, "assets", "lumora_bird.bmp"), "rb") as f:
            rows = draw_art.decode_rle8(f.read())
        self.assertIsNotNone(rows, "the stored bird does not decode")
        left, top, right, bottom = self.s.client_rect(hwnd, PICTURE1)
        expected = collections.Counter(
            colour for row in rows[:bottom - top] for colour in row[:right - left])
        self.assertGreater(len(expected), 50)
        missing = {}

        def shown():
            missing["now"] = expected - self.s.colors(hwnd, PICTURE1, client=True)
            return not missing["now"]

        harness.wait_until(shown, 5, 0.1)
        self.assertFalse(missing["now"], "pixels of the bird that do not show")

    def test_stored_credentials_fill_the_boxes_and_stay_unchanged(self):
        user_name = b"alic\xe9\r\nsecond line\r\n"
        password = b"pw with space"
        self.write_credentials(user_name, password)
        _, hwnd = self.launch()
        self.assertEqual(self.s.get_text(hwnd, YOUR_USER_NAME), "alic\u00e9")
        self.assertEqual(self.s.get_text(hwnd, YOUR_PASSWORD), "pw with space")
        self.assertEqual(self.read_bytes("UN.DAT"), user_name)
        self.assertEqual(self.read_bytes("PW.DAT"), password)

    def test_second_start_only_warns_and_ends_after_ok(self):
        self.write_credentials(b"alice\r\n", b"secret\r\n")
        first, hwnd = self.launch()
        self.wait_counter(hwnd)
        before = self.file_states()

        second = self.s.start(harness.lumora_exe())
        box = self.s.wait_message_box(timeout=15)
        self.assertIsNotNone(box, "no message box for the second start")
        box_hwnd, title, text = box
        self.assertEqual((title, text), ("Whoops!", "This program is already running."))
        self.assertEqual(self.s.windows(cls="LumoraMain"), [hwnd])

        self.s.dismiss_message_box(box_hwnd)
        self.assertIsNotNone(second.wait_exit(10), "the second copy did not end after OK")
        self.assertTrue(first.running())
        self.assertEqual(self.s.windows(cls="LumoraMain"), [hwnd])
        self.assertEqual(self.file_states(), before)

    def test_data_folder_follows_program_files(self):
        os.makedirs(self.s.unix_path(OTHER_PROGRAM_FILES))
        # (how ProgramFiles is given, the data folder, a folder that must not appear)
        cases = [
            # Unset (ProgramW6432 too): the system's own Program Files folder, never the
            # drive's root, where other users could read the stored password.
            ({"unset": ["ProgramFiles"]}, DATA_FOLDER, ROOT_DATA_FOLDER),
            ({"env": {"ProgramFiles": OTHER_PROGRAM_FILES + "\\"}},
             OTHER_PROGRAM_FILES + "\\Kestrova", DATA_FOLDER),
        ]
        for options, folder, never in cases:
            with self.subTest(folder=folder):
                self.s.kill_programs()
                shutil.rmtree(self.s.unix_path(never), ignore_errors=True)
                self.intake("hello", **options)
                self.assertTrue(os.path.isfile(self.data_file("UN.DAT", folder)))
                self.assertTrue(os.path.isfile(self.data_file("PW.DAT", folder)))
                self.assertFalse(os.path.exists(self.s.unix_path(never)))

    # --- clipboard intake and counter ------------------------------------------------------

    def test_empty_or_blank_clipboard_ends_without_a_message(self):
        for clipboard in (None, "      "):
            with self.subTest(clipboard=clipboard):
                if clipboard is None:
                    self.s.clear_clipboard()
                else:
                    self.s.set_clipboard(clipboard)
                program = self.s.start(harness.lumora_exe())
                # A message box would be modal and keep the program alive.
                self.assertIsNotNone(program.wait_exit(10), "Lumora kept running")
                self.assertEqual(self.s.message_boxes(), [])

    def test_clipboard_text_is_trimmed_of_spaces_only(self):
        cases = [
            ("  hello  ", "hello", "5 Characters."),
            (" " * 200 + "x", "x", "1 Characters."),
            ("\tfirst line\r\nsecond ", "\tfirst line\r\nsecond", "19 Characters."),
            ("Hi \U0001F600 \u00e9", "Hi \U0001F600 \u00e9", "7 Characters."),
        ]
        for clipboard, tweet, counter in cases:
            with self.subTest(clipboard=clipboard[:20]):
                self.s.kill_programs()
                self.assertEqual(self.intake(clipboard), (tweet, counter))

    def test_long_clipboard_text_is_cut_to_140_after_trimming(self):
        body = "".join(chr(ord("a") + i % 26) for i in range(300))
        tweet, counter = self.intake("   " + body)
        self.assertEqual(tweet, body[:140])
        self.assertEqual(counter, "140 Characters.")

    def test_typing_counts_line_breaks_and_stops_at_200(self):
        _, hwnd = self.launch("ab")
        self.wait_counter(hwnd)
        self.s.type_text(hwnd, YOUR_TWEET, "\r")
        self.assertEqual(self.s.get_text(hwnd, LLEN), "4 Characters.")
        self.s.type_text(hwnd, YOUR_TWEET, "y" * 136)
        self.assertEqual(self.s.get_text(hwnd, LLEN), "140 Characters.")
        self.assertEqual(self.counter_colour(hwnd), YELLOW)
        self.s.type_text(hwnd, YOUR_TWEET, "y" * 114)
        self.assertEqual(len(self.s.get_text(hwnd, YOUR_TWEET)), 200)
        self.assertEqual(self.s.get_text(hwnd, LLEN), "200 Characters." + WARNING_NOTE)
        self.assertEqual(self.counter_colour(hwnd), DARK_RED)

    # --- hostile input ---------------------------------------------------------------------

    def test_odd_credential_files_do_not_crash_or_hang(self):
        # (case, UN.DAT, PW.DAT, expected user name or None when any text will do)
        cases = [
            ("10 MB on one line", b"u" * (10 << 20), b"", "u" * (10 << 20)),
            ("binary bytes", bytes(range(256)) * 64, bytes(range(255, -1, -1)) * 64, None),
            ("only CR LF", b"\r\n", b"\r\n", ""),
            ("LF only", b"first\nsecond\n", b"\n\n", None),
        ]
        for name, user_name, password, expected in cases:
            with self.subTest(name):
                self.s.kill_programs()
                self.write_credentials(user_name, password)
                # Wine's edit control takes several seconds for megabytes on one line.
                program, hwnd = self.launch("still alive", timeout=60)
                self.assertEqual(self.wait_counter(hwnd, timeout=60), "11 Characters.")
                if expected is not None:
                    self.assertEqual(self.s.get_text(hwnd, YOUR_USER_NAME), expected)
                self.assertTrue(program.running())

    def test_ten_megabyte_clipboard_gives_140_characters(self):
        tweet, counter = self.intake("w" * (10 << 20))
        self.assertEqual(tweet, "w" * 140)
        self.assertEqual(counter, "140 Characters.")


if __name__ == "__main__":
    unittest.main()
