#!/usr/bin/env bash
# Benchmark of the warm connection: a post to a Mastodon-compatible server over TLS, with a set
# delay each way, clicked a second after the window shows (its limits fetch done by then).
#
# The TLS stand-in sits behind tests/standin/latency_relay.py, which delays every byte DELAY_MS
# each way and opens the stand-in's tunnel itself, so Lumora speaks TLS to "localhost" with no
# proxy. Prints the time from the click to the post's arrival at the stand-in, in one session:
#   before - the stand-in closes each connection after its reply, so the post opens a new
#            connection and makes a new TLS handshake, as every post did before the warm
#            connection;
#   after  - the stand-in keeps the limits fetch's connection open, and the post goes on it.
# Runs alternate, so both see the same machine load. The relay completes TCP handshakes at
# once: "before" lacks the TCP round trip a real network adds.
#
# Usage: scripts/bench_warm.sh [runs] [delay_ms]    (default 7 and 25; needs the win64 build)
set -euo pipefail
cd "$(dirname "$0")/.."

exec python3 - "${1:-7}" "${2:-25}" <<'PYTHON'
import statistics
import sys
import time

sys.path.insert(0, "tests/e2e")
sys.path.insert(0, "tests/standin")
import harness
import latency_relay
import tls_standin

RUNS, DELAY = int(sys.argv[1]), int(sys.argv[2]) / 1000
IDS = harness.lumora_control_ids()
SETTINGS_KEY = r"HKCU\Software\Kestrova\Lumora"
TOKEN = "bench-token"
HOST = "localhost"


def post_once(session, service, keep_alive):
    service.keep_alive = keep_alive
    session.set_clipboard("benchmark")
    session.start(harness.lumora_exe())
    hwnd = session.wait_window(cls="LumoraMain", timeout=20)
    harness.wait_until(lambda: session.get_text(hwnd, IDS["YourTweet"]), 10, 0.05)
    session.set_text(hwnd, IDS["YourPassword"], TOKEN)
    session.set_text(hwnd, IDS["YourTweet"], "warm or cold")
    service.wait_for_request("instance", timeout=20)
    time.sleep(1.0)  # the user reads the window first
    service.clear()
    clicked = time.monotonic()
    session.click(hwnd, IDS["SendTweetButton"])
    post = service.wait_for_request("mastodon", timeout=20)
    box = session.wait_message_box(timeout=20)
    if not box or box[1] != "Congratulations!":
        sys.exit("unexpected verdict: %r" % (box,))
    session.dismiss_message_box(box[0])
    session.kill_programs()
    return post["arrived"] - clicked, post["kept_connection"]


def main():
    harness.require_built(harness.lumora_exe())
    authority = tls_standin.TestAuthority(hosts=(HOST,))
    service = tls_standin.TlsStandIn(authority).start()
    service.mastodon_hosts.add(HOST)
    service.mastodon_tokens = {TOKEN}
    relay = latency_relay.LatencyRelay(("127.0.0.1", service.port), DELAY,
                                       tunnel_to=HOST + ":443").start()
    session = harness.WineSession().start()
    times = {True: [], False: []}
    try:
        session.wine("reg", "import", harness.windows_path(authority.root_store_reg()))
        for name, value in (("StatusProtocol", "Mastodon"), ("StatusName", "Bench"),
                            ("StatusAddress", "https://%s:%d/" % (HOST, relay.port))):
            session.wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ", "/d", value,
                         "/f")
        for _ in range(RUNS):
            for keep_alive in (False, True):
                took, kept = post_once(session, service, keep_alive)
                if kept != keep_alive:
                    sys.exit("the post %s the kept connection" % ("missed" if keep_alive
                                                                  else "took"))
                times[keep_alive].append(took)
    finally:
        session.stop()
        relay.stop()
        service.stop()
        authority.close()
    round_trip = 2 * DELAY
    print("Mastodon post over TLS, %d ms each way (round trip %d ms), clicked 1 s after the "
          "window shows; click -> post arrives, %d runs each:" % (DELAY * 1000,
                                                                 round_trip * 1000, RUNS))
    for keep_alive, name in ((False, "before: a new connection and TLS handshake"),
                             (True, "after: the limits fetch's connection kept")):
        values = times[keep_alive]
        median = statistics.median(values)
        print("  %-44s median %6.1f ms (%.2f x the round trip)   min %6.1f   max %6.1f" % (
            name, median * 1000, median / round_trip, min(values) * 1000, max(values) * 1000))


main()
PYTHON
