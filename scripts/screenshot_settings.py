#!/usr/bin/env python3
"""Takes the screenshot of Lumora's Service settings dialog for the docs under Wine and Xvfb
(docs/service-settings.png), filled with example values. Needs the win64 build."""

import os
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

import harness  # noqa: E402

KEY = r"HKCU\Software\Kestrova\Lumora"
VALUES = (("StatusAddress", "https://friendica.example/api/statuses/update.xml"),
          ("StatusName", "Friendica"),
          ("SightlinkAddress", "https://is.gd/create.php?format=simple&url={url}"))


def main():
    docs = os.path.join(REPO, "docs")
    os.makedirs(docs, exist_ok=True)
    with harness.WineSession() as s:
        for name, value in VALUES:
            s.wine("reg", "add", KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
        s.set_clipboard("Lumora")
        program = s.start(harness.lumora_exe())
        hwnd = s.wait_window(cls="LumoraMain", timeout=30)
        if not hwnd:
            sys.exit("Lumora's window did not open")
        s.choose_system_menu_item(hwnd, "e")
        dialog = s.wait_window(cls="#32770", title="Service settings", timeout=30)
        if not dialog:
            sys.exit("the dialog did not open")
        time.sleep(1.0)  # first paint of the fonts
        s.screenshot(os.path.join(docs, "service-settings.png"), dialog)
        print("dialog client", s.client_rect(dialog), "window client", s.client_rect(hwnd))
        program.kill()


if __name__ == "__main__":
    main()
