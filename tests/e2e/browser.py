"""A real browser beside the Wine session: Debian's headless Chromium driven through
puppeteer-core (tests/browser), and a recorder that stands where the session's browser would.

Lumora opens a web address with the shell; Wine's shell hands http and https addresses to
winebrowser, which runs the first Unix program named in its Browsers setting with the address
as its one argument. record_opened_addresses points that setting at a small script that writes
the address down, so a test sees exactly what Lumora asked the shell to open and decides itself
what a browser does with it:

    addresses = browser.record_opened_addresses(session)
    ...                                          # Lumora opens an address
    address = browser.wait_opened(addresses)
    result = browser.authorize(service.port, address, "Authorize")
"""

import json
import os
import shlex
import shutil
import subprocess

import harness

CHROMIUM = os.environ.get("LUMORA_CHROMIUM", "/usr/lib/chromium/chromium")
BROWSER_DIR = os.path.join(harness.REPO, "tests", "browser")
BROWSERS_KEY = "HKCU\\Software\\Wine\\WineBrowser"


def missing_browser():
    """Why the browser cannot run here, or None."""
    if not os.access(CHROMIUM, os.X_OK):
        return "no Chromium at %s (scripts/install_deps.sh installs it)" % CHROMIUM
    if not os.path.isdir(os.path.join(BROWSER_DIR, "node_modules", "puppeteer-core")):
        return "no puppeteer-core in tests/browser (scripts/install_deps.sh installs it)"
    if not shutil.which("node"):
        return "no node"
    return None


def record_opened_addresses(session):
    """Makes the session's shell write every web address it is asked to open into a file
    beside the prefix (never inside it) instead of starting a browser; returns that file's
    path."""
    addresses = os.path.join(session.prefix_root, "opened-addresses.txt")
    recorder = os.path.join(session.prefix_root, "record-address.sh")
    with open(recorder, "w", encoding="utf-8") as f:
        f.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> %s\n" % shlex.quote(addresses))
    os.chmod(recorder, 0o755)
    session.wine("reg", "add", BROWSERS_KEY, "/v", "Browsers", "/t", "REG_SZ", "/d", recorder,
                 "/f")
    return addresses


def opened(addresses):
    """The addresses recorded so far, oldest first."""
    try:
        with open(addresses, encoding="utf-8") as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def wait_opened(addresses, count=1, timeout=30):
    """The `count`th address recorded, once it is; None after the time-out."""
    found = harness.wait_until(lambda: len(opened(addresses)) >= count, timeout)
    return opened(addresses)[count - 1] if found else None


def authorize(proxy_port, address, button):
    """Opens `address` in headless Chromium through the stand-in at `proxy_port`, presses the
    page's button of that text and follows the redirect: {"title", "landed", "text"} or
    {"error"} (see tests/browser/authorize.js)."""
    result = subprocess.run(
        ["node", os.path.join(BROWSER_DIR, "authorize.js"), CHROMIUM,
         "127.0.0.1:%d" % proxy_port, address, button],
        capture_output=True, text=True, timeout=180, cwd=BROWSER_DIR)
    if result.returncode != 0:
        raise harness.HarnessError("authorize.js failed: " + result.stderr[-3000:])
    return json.loads(result.stdout.strip().splitlines()[-1])
