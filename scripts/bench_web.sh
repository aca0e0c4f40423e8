#!/usr/bin/env bash
# Benchmark of Lumora's two web requests under Wine against the local stand-in services.
#
# Each measured click is the first request of a freshly started Lumora, as a user meets it. For
# the status update it prints the time from the click to the first request's arrival at the
# stand-in, to the authenticated one's (after the 401 challenge), and from the stand-in's reply
# to the verdict box; for the short link (in a start of its own), from the click to the arrival
# and from the reply to the new status text. The clicks come a second after the status shows,
# as a user reads it first; the status update is measured again with the click as soon as the
# status shows, while the network path may still be being prepared. Beside them: curl posting
# the same requests to the same stand-in through the same proxy form, with the same challenge
# round trip (--anyauth), in the same run. Clicks and box checks go to test drivers that are
# already running and take commands over a pipe, so no process start is inside a figure; the
# bare round trip of such a command is printed too, and the load average at the start and end.
#
# Usage: scripts/bench_web.sh [runs]    (default 5; needs the win64 build, or LUMORA_BUILD)
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS="${1:-5}"
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 1; }

exec python3 - "$RUNS" <<'PYTHON'
import statistics
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, "tests/e2e")
sys.path.insert(0, "tests/standin")
import harness
import lumora_standin

RUNS = int(sys.argv[1])
USER, PASSWORD = "bench", "se cret@%&"
YOUR_PASSWORD, YOUR_USER_NAME, THE_LONG_URL = 101, 102, 107
CREATE_TINY_URL_BUTTON, SEND_TWEET_BUTTON, YOUR_TWEET, LLEN = 108, 111, 112, 113
STATUS = "Benchmark & more: 100% é"
LONG_URL = "http://example.com/a?b=1&c=2"


def ms(seconds):
    return "%7.1f ms" % (seconds * 1000)


def summary(name, values):
    print("  %-44s median %s   min %s   max %s" % (
        name, ms(statistics.median(values)), ms(min(values)), ms(max(values))))


def launch(session):
    session.set_clipboard("benchmark")
    session.start(harness.lumora_exe())
    hwnd = session.wait_window(cls="LumoraMain", timeout=20)
    harness.wait_until(lambda: "Characters." in session.get_text(hwnd, LLEN), 10, 0.05)
    return hwnd


def box_watcher(session):
    """Starts waiting for a message box now; the returned dict gets its arrival time."""
    seen = {}

    def watch():
        seen["box"] = session.wait_message_box(timeout=30)
        seen["at"] = time.monotonic()

    thread = threading.Thread(target=watch)
    thread.start()
    seen["thread"] = thread
    return seen


def curl(service, url, data, auth):
    argv = ["curl", "-s", "-o", "/dev/null", "-w", "%{time_total}", "-x", service.proxy_url,
            "-H", "Content-Type: application/x-www-form-urlencoded", "--data-binary", data, url]
    if auth:
        argv[1:1] = ["--anyauth", "-u", "%s:%s" % (USER, PASSWORD)]
    return float(subprocess.run(argv, check=True, capture_output=True, text=True).stdout)


READING_PAUSE = 1.0  # seconds between the status showing and a user's click


def fill(session, hwnd):
    session.set_text(hwnd, YOUR_USER_NAME, USER)
    session.set_text(hwnd, YOUR_PASSWORD, PASSWORD)
    session.set_text(hwnd, YOUR_TWEET, STATUS)


def post_status(session, service, results, pause, suffix):
    hwnd = launch(session)
    fill(session, hwnd)
    time.sleep(pause)
    service.clear()
    watcher = box_watcher(session)
    clicked = time.monotonic()
    session.click(hwnd, SEND_TWEET_BUTTON)
    first = service.wait_for_request("status", timeout=20)
    request = service.wait_for_request("status", timeout=20, authorized=True)
    watcher["thread"].join()
    if not watcher["box"] or watcher["box"][1] != "Congratulations!":
        sys.exit("unexpected verdict: %r" % (watcher["box"],))
    results["click_first" + suffix].append(first["arrived"] - clicked)
    results["click_status" + suffix].append(request["arrived"] - clicked)
    results["reply_box" + suffix].append(watcher["at"] - request["replied"])
    session.dismiss_message_box(watcher["box"][0])
    session.kill_programs()


def make_link(session, service, results):
    hwnd = launch(session)
    fill(session, hwnd)
    service.set_sightlink_reply("ok")
    session.set_text(hwnd, THE_LONG_URL, LONG_URL)
    time.sleep(READING_PAUSE)
    service.clear()
    clicked = time.monotonic()
    session.click(hwnd, CREATE_TINY_URL_BUTTON)
    request = service.wait_for_request("sightlink", timeout=20)
    harness.wait_until(lambda: session.get_text(hwnd, YOUR_TWEET) != STATUS, 20, 0.005)
    changed = time.monotonic()
    results["click_link"].append(request["arrived"] - clicked)
    results["reply_text"].append(changed - request["replied"])
    session.kill_programs()


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def main():
    if not harness.os.path.exists(harness.lumora_exe()):
        sys.exit("build the win64 preset first: cmake --preset win64 && cmake --build build/win64")
    loads = [load_average()]
    service = lumora_standin.StandIn(accounts={USER: PASSWORD}).start()
    session = harness.WineSession(http_proxy=service.proxy_url).start()
    try:
        results = {k: [] for k in (
            "driver", "click_first", "click_status", "reply_box", "click_first_now",
            "click_status_now", "reply_box_now", "click_link", "reply_text", "curl_status",
            "curl_link")}
        session.windows(cls="LumoraMain")  # starts the first driver
        for _ in range(RUNS):
            start = time.monotonic()
            session.windows(cls="LumoraMain")
            results["driver"].append(time.monotonic() - start)

        for _ in range(RUNS):  # interleaved, so each kind sees the same machine load
            post_status(session, service, results, READING_PAUSE, "")
            post_status(session, service, results, 0, "_now")
            make_link(session, service, results)

        body = urllib.parse.urlencode({"status": STATUS})
        link_body = urllib.parse.urlencode({"TheLongURL": LONG_URL})
        for _ in range(RUNS):
            results["curl_status"].append(curl(
                service, "http://twitter.com/statuses/update.xml", body, auth=True))
            results["curl_link"].append(curl(
                service, "http://sightlink.kestrova.com/KestrovaCreateSightlink.asp",
                link_body, auth=False))
    finally:
        session.stop()
        service.stop()
    loads.append(load_average())

    print("Lumora web requests under Wine, %d runs each (stand-in on 127.0.0.1; load average "
          "%s at the start, %s at the end):" % (RUNS, loads[0], loads[1]))
    summary("running test driver, command round trip", results["driver"])
    curl_status = statistics.median(results["curl_status"])
    print("Status update, the first request of a new Lumora (401 challenge, then the "
          "credentials), clicked %.0f s after the status shows:" % READING_PAUSE)
    summary("click -> first request arrives", results["click_first"])
    summary("click -> authenticated request arrives", results["click_status"])
    summary("reply sent -> verdict box seen", results["reply_box"])
    summary("curl --anyauth, whole exchange", results["curl_status"])
    for name, key in (("first request", "click_first"), ("authenticated request",
                                                          "click_status")):
        print("  click -> %s is %.2f x curl's whole exchange (goal: 3 x, stretch 1.5 x)" % (
            name, statistics.median(results[key]) / curl_status))
    print("The same, clicked as soon as the status shows:")
    summary("click -> first request arrives", results["click_first_now"])
    summary("click -> authenticated request arrives", results["click_status_now"])
    print("  click -> authenticated request is %.2f x curl's whole exchange" % (
        statistics.median(results["click_status_now"]) / curl_status))
    print("Short link, the first request of a new Lumora, clicked %.0f s after the status "
          "shows:" % READING_PAUSE)
    summary("click -> request arrives", results["click_link"])
    summary("reply sent -> status text changed", results["reply_text"])
    summary("curl, whole exchange", results["curl_link"])
    print("  click -> request is %.2f x curl's whole exchange" % (
        statistics.median(results["click_link"]) / statistics.median(results["curl_link"])))


main()
PYTHON
