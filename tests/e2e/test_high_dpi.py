"""Lumora's window on a 144-DPI screen: every twips position and size scales with the screen's
actual DPI, so the layout keeps its proportions."""

import unittest

from fixture import SEND_TWEET_BUTTON, YOUR_PASSWORD, YOUR_TWEET, LumoraCase

DPI = 144


def pixels(twips):
    return twips * DPI / 1440


class HighDpiTest(LumoraCase):
    @classmethod
    def prepare(cls):
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            cls.s.wine("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(DPI),
                       "/f")
        # Wine reads the DPI when its session starts.
        cls.s.wine("wineboot", "-r", check=False)

    def test_layout_scales_with_the_screens_dpi(self):
        _, hwnd = self.launch("High DPI", timeout=30)

        left, top, right, bottom = self.s.client_rect(hwnd)
        self.assertAlmostEqual(right - left, pixels(10155), delta=1)
        self.assertAlmostEqual(bottom - top, pixels(5850), delta=1)

        # (control, left, top, width, height) in twips from the client area; the last two sit in
        # Frame1 at (120, 3600).
        for control, x, y, width, height in ((YOUR_PASSWORD, 4560, 1680, 3015, 390),
                                             (YOUR_TWEET, 240, 3840, 9615, 975),
                                             (SEND_TWEET_BUTTON, 6720, 5040, 3135, 375)):
            with self.subTest(control=control):
                c_left, c_top, c_right, c_bottom = self.s.window_rect(hwnd, control)
                self.assertAlmostEqual(c_left - left, pixels(x), delta=1)
                self.assertAlmostEqual(c_top - top, pixels(y), delta=1)
                self.assertAlmostEqual(c_right - c_left, pixels(width), delta=1)
                self.assertAlmostEqual(c_bottom - c_top, pixels(height), delta=1)

    def test_the_service_settings_dialog_grows_with_the_window(self):
        _, hwnd = self.launch("High DPI", timeout=30)
        self.s.choose_system_menu_item(hwnd, "e")
        dialog = self.s.wait_window(cls="#32770", title="Service settings", timeout=30)
        self.assertIsNotNone(dialog, "the dialog did not open")
        # Dialog units follow the dialog font, which grows with the DPI as twips do, though
        # rounded to whole pixels: at 96 DPI the dialog's client area is 420 x 378 pixels beside
        # the window's 677 x 390, and keeps those proportions within about 6 %.
        d_left, d_top, d_right, d_bottom = self.s.client_rect(dialog)
        left, top, right, bottom = self.s.client_rect(hwnd)
        self.assertAlmostEqual((d_right - d_left) / (right - left), 420 / 677, delta=0.04)
        self.assertAlmostEqual((d_bottom - d_top) / (bottom - top), 378 / 390, delta=0.06)


if __name__ == "__main__":
    unittest.main()
