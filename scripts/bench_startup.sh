#!/usr/bin/env bash
# Start-up benchmark (not a test): Lumora.exe sizes, and under Wine the time from process start
# to a filled status box beside the time a minimal Win32 window program needs to show its window.
# Usage: scripts/bench_startup.sh [runs]   (default 7 runs each; the median is printed)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-7}"
size_goal=270336

build() {
  local preset=$1
  shift
  if [ ! -f "build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" >/dev/null || return 1
  fi
  cmake --build "build/$preset" -j2 --target "$@" >/dev/null
}

build win64 Lumora lumora_driver minimal_window
build win32 Lumora || echo "win32 build failed; its size is not measured" >&2

echo "Executable size (goal: under $size_goal bytes)"
for preset in win32 win64; do
  file="build/$preset/poster/Lumora.exe"
  if [ -f "$file" ]; then
    size=$(stat -c %s "$file")
    verdict="over the goal"
    [ "$size" -lt "$size_goal" ] && verdict="under the goal"
    printf '  %-28s %8d bytes  %s\n' "$file" "$size" "$verdict"
  else
    printf '  %-28s missing\n' "$file"
  fi
done

echo "Start-up under Wine, median of $runs runs"
RUNS="$runs" python3 - <<'PY'
import os, statistics, sys
sys.path.insert(0, os.path.join(os.getcwd(), "tests", "e2e"))
import harness

runs = int(os.environ["RUNS"])
with harness.WineSession() as session:
    session.set_clipboard("A status text for the start-up benchmark")
    measures = {
        "Lumora.exe, start to filled YourTweet": lambda: session.time_start(
            harness.lumora_exe(), "LumoraMain", control_id=112),
        "minimal_window.exe, start to window": lambda: session.time_start(
            harness.minimal_window_exe(), "MinimalWindow"),
    }
    for measure in measures.values():  # warm the wineserver and the file cache
        measure()
    times = {name: [] for name in measures}
    for _ in range(runs):  # interleaved, so both see the same machine load
        for name, measure in measures.items():
            times[name].append(measure())
    for name, values in times.items():
        print("  %-40s %7.1f ms  (min %.1f, max %.1f)" % (
            name, 1000 * statistics.median(values), 1000 * min(values), 1000 * max(values)))
PY
