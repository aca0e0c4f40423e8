#!/usr/bin/env python3
"""Runs the 64-bit Lumora.exe under Wine, talking to the local stand-in services.

With --32 it runs the shipped 32-bit Lumora.exe instead, under 32-bit Wine through CPU
emulation; scripts/run.sh --32 builds it and prepares that Wine (scripts/prepare_wine32.sh).

With a display (DISPLAY set) Lumora opens there for you to use: the stored user name and
password are the stand-in's demo account, the status text comes from a sample put on the
clipboard, and every request Lumora sends is printed here. Without a display it runs on a
private virtual display, takes a screenshot, presses "SEND YOUR TWEET" and shows what the
stand-in received and what Lumora answered.

With --tls the stand-in also serves TLS with certificates from a test authority made for this
run, which only this run's Wine prefix trusts, and Lumora's service addresses are set to https
addresses of the stand-in (values under HKEY_CURRENT_USER\\Software\\Kestrova\\Lumora).

With --mastodon Lumora posts to the stand-in's Mastodon-compatible server instead, with a demo
access token stored in place of the password.
"""

import argparse
import contextlib
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tests", "standin"))

import harness  # noqa: E402
import tls_standin  # noqa: E402
from lumora_standin import StandIn  # noqa: E402

SAMPLE = "  Just found a tool that posts highlighted text from any web page in two clicks.  "
USER, PASSWORD = "demo", "secret"
DATA_FOLDER = "C:\\Program Files\\Kestrova\\"
IDS = harness.lumora_control_ids()
SEND_TWEET_BUTTON, YOUR_TWEET = IDS["SendTweetButton"], IDS["YourTweet"]
SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
MASTODON_TOKEN = "demo-access-token"
MASTODON_SETTINGS = {
    "StatusProtocol": "mastodon",
    "StatusAddress": "http://social.example",
    "StatusName": "social.example",
}
TLS_ADDRESSES = {
    "StatusAddress": "https://%s/statuses/update.xml" % tls_standin.STATUS_HOST,
    "StatusName": tls_standin.STATUS_HOST,
    "SightlinkAddress": "https://%s/KestrovaCreateSightlink.asp" % tls_standin.SIGHTLINK_HOST,
}


class DesktopSession(harness.WineSession):
    """A Wine session on the display the user is looking at instead of a private one."""

    def _start_xvfb(self):
        self.display = os.environ["DISPLAY"]


def store_demo_account(session, user=USER, password=PASSWORD):
    folder = session.unix_path(DATA_FOLDER)
    os.makedirs(folder, exist_ok=True)
    for name, value in (("UN.DAT", user), ("PW.DAT", password)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(value.encode("ascii") + b"\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--headless", action="store_true",
                        help="use a private virtual display even when DISPLAY is set")
    parser.add_argument("--screenshot", help="where the window's picture goes (default: "
                        "build/lumora-run.png, with --32 build/lumora-run-32.png)")
    parser.add_argument("--32", dest="x86", action="store_true",
                        help="the shipped 32-bit build under emulation (use scripts/run.sh --32)")
    parser.add_argument("--tls", action="store_true",
                        help="reach the stand-in over TLS, with the certificate checks on")
    parser.add_argument("--mastodon", action="store_true",
                        help="post to the stand-in's Mastodon-compatible server with a token")
    args = parser.parse_args()
    desktop = bool(os.environ.get("DISPLAY")) and not args.headless
    if args.x86 and harness.WINEARCH != "win32":
        parser.error("--32 needs the emulated 32-bit Wine: start it with scripts/run.sh --32")
    if not args.screenshot:
        args.screenshot = os.path.join(ROOT, "build",
                                       "lumora-run-32.png" if args.x86 else "lumora-run.png")
    print("Running %s under %s" % (harness.lumora_exe(), harness.WINE))

    with contextlib.ExitStack() as stack:
        if args.tls:
            authority = stack.enter_context(tls_standin.TestAuthority())
            service = tls_standin.TlsStandIn(authority, accounts={USER: PASSWORD}, echo=True)
            service.status_hosts.add(tls_standin.STATUS_HOST)
            service.sightlink_hosts.add(tls_standin.SIGHTLINK_HOST)
        else:
            service = StandIn(accounts={USER: PASSWORD}, echo=True)
        service.mastodon_tokens = {MASTODON_TOKEN}
        stack.enter_context(service)
        print("Stand-in services listening on %s (account %s / %s)"
              % (service.proxy_url, USER, PASSWORD))
        session_class = DesktopSession if desktop else harness.WineSession
        with session_class(http_proxy=service.proxy_url) as session:
            if args.tls:
                session.wine("reg", "import", harness.windows_path(authority.root_store_reg()))
            settings = dict(TLS_ADDRESSES) if args.tls else {}
            if args.mastodon:
                settings.update(MASTODON_SETTINGS)
                if args.tls:
                    settings["StatusAddress"] = "https://" + tls_standin.STATUS_HOST
                    service.mastodon_hosts.add(tls_standin.STATUS_HOST)
            for name, value in settings.items():
                session.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ",
                             "/d", value, "/f")
                print("%s\\%s = %s" % (SETTINGS_KEY, name, value))
            if args.mastodon:
                store_demo_account(session, "", MASTODON_TOKEN)
            else:
                store_demo_account(session)
            session.set_clipboard(SAMPLE)
            lumora = session.start(harness.lumora_exe())
            hwnd = session.wait_window(cls="LumoraMain", timeout=30)
            harness.wait_until(lambda: session.get_text(hwnd, YOUR_TWEET), timeout=10)
            if desktop:
                print("Lumora is open on %s. Press SEND YOUR TWEET (or close it) to finish."
                      % session.display)
                lumora.wait_exit(timeout=None)
                return 0
            session.screenshot(args.screenshot, hwnd=hwnd)
            print("Screenshot of the window: " + args.screenshot)
            session.click(hwnd, SEND_TWEET_BUTTON)
            box, title, text = session.wait_message_box(timeout=30)
            print("Lumora answered [%s]: %s" % (title, text))
            session.dismiss_message_box(box)
            lumora.wait_exit(timeout=10)
            if args.tls:
                for tunnel in service.tunnels:
                    print("TLS tunnel to %(host)s:%(port)s, handshake %(handshake)s" % tunnel)
    return 0


if __name__ == "__main__":
    sys.exit(main())
