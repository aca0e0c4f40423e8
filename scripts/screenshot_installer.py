#!/usr/bin/env python3
"""Takes the installer's screenshots for the docs under Wine and Xvfb: the window after a fresh
install (docs/setup-window.png) and the closing message after the button
(docs/setup-closing-message.png). Needs the win64 build."""

import os
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

import harness  # noqa: E402


def main():
    docs = os.path.join(REPO, "docs")
    os.makedirs(docs, exist_ok=True)
    with harness.WineSession() as s:
        program = s.start(harness.setup_exe())
        hwnd = s.wait_window(cls="SetupLumoraForm", timeout=30)
        if not hwnd:
            sys.exit("the installer window did not open")
        time.sleep(1.5)  # first paint of the fonts and pictures
        s.screenshot(os.path.join(docs, "setup-window.png"), hwnd)
        s.click(hwnd, harness.setup_control_ids()["UpdateRegistryButton"])
        box = s.wait_message_box(title="THANK YOU - REGISTRY UPDATED?", timeout=30)
        if not box:
            sys.exit("no closing message")
        time.sleep(0.5)
        s.screenshot(os.path.join(docs, "setup-closing-message.png"), box[0])
        s.dismiss_message_box(box[0])
        program.wait_exit(10)


if __name__ == "__main__":
    main()
