#!/usr/bin/env python3
"""Takes the screenshots of the Service settings dialog before and after signing in, for the
docs, under Wine and Xvfb (docs/sign-in-before.png, docs/sign-in-after.png): the server typed,
then signed in through headless Chromium against the TLS stand-in, as tests/e2e/test_signin.py
does. Needs the win64 build, Chromium and tests/browser's Node packages."""

import os
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
sys.path.insert(0, os.path.join(REPO, "tests", "standin"))

import browser  # noqa: E402
import harness  # noqa: E402
import tls_standin  # noqa: E402
from test_settings import DIALOG_TITLE, MASTODON, MENU_ACCESS_KEY, STATUS_ADDRESS  # noqa: E402
from test_signin import SIGN_IN, caption  # noqa: E402

SERVER = "social.example"


def main():
    why = browser.missing_browser()
    if why:
        sys.exit(why)
    docs = os.path.join(REPO, "docs")
    hosts = (tls_standin.STATUS_HOST, SERVER)
    with tls_standin.TestAuthority(hosts) as authority, \
            tls_standin.TlsStandIn(authority) as service, \
            harness.WineSession(http_proxy=service.proxy_url) as s:
        s.wine("reg", "import", harness.windows_path(authority.root_store_reg()))
        addresses = browser.record_opened_addresses(s)
        s.set_clipboard("Lumora")
        program = s.start(harness.lumora_exe())
        hwnd = s.wait_window(cls="LumoraMain", timeout=30)
        if not hwnd:
            sys.exit("Lumora's window did not open")
        s.choose_system_menu_item(hwnd, MENU_ACCESS_KEY)
        dialog = s.wait_window(cls="#32770", title=DIALOG_TITLE, timeout=30)
        if not dialog:
            sys.exit("the dialog did not open")
        s.click(dialog, MASTODON)
        s.set_text(dialog, STATUS_ADDRESS, "https://" + SERVER)
        time.sleep(1.0)  # first paint of the fonts
        s.screenshot(os.path.join(docs, "sign-in-before.png"), dialog)
        sign_in = [c["id"] for c in s.controls(dialog) if caption(c["text"]) == SIGN_IN]
        if not sign_in:
            sys.exit("the dialog has no Sign in button")
        s.click(dialog, sign_in[0])
        address = browser.wait_opened(addresses)
        if not address:
            sys.exit("Lumora opened no address")
        print(browser.authorize(service.port, address, "Authorize"))
        signed_in = "Signed in as @alice@" + SERVER
        if not harness.wait_until(lambda: any(signed_in in c["text"]
                                              for c in s.controls(dialog)), 30):
            sys.exit("the dialog never said who is signed in")
        time.sleep(1.0)
        s.screenshot(os.path.join(docs, "sign-in-after.png"), dialog)
        program.kill()


if __name__ == "__main__":
    main()
