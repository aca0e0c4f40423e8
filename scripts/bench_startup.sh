#!/usr/bin/env bash
# Start-up benchmark (not a test): the sizes of Lumora.exe and SetupLumora.exe of both builds
# against the original Lumora's 270,336 bytes, what takes the room in the shipped Lumora.exe
# (from its linker map), its imports, and under Wine the time from process start to a filled
# status box beside the time a minimal Win32 window program needs to show its window: the x86-64
# build under Wine, then, in the same run, the shipped 32-bit build under 32-bit Wine through CPU
# emulation (when scripts/prepare_wine32.sh has prepared it), which is far slower than native.
# The start-up is also split: start to Lumora's window shown (its controls made), and the rest
# to the filled status (the 100 ms timer, the clipboard); the aim is start to filled status,
# less the timer, at most 1.2 x the minimal window. The load average is printed beside them.
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

build win64 Lumora SetupLumora lumora_driver minimal_window
build win32 Lumora SetupLumora lumora_driver minimal_window ||
  echo "win32 build failed; its size is not measured" >&2

echo "Executable sizes (the original Lumora.exe: $size_goal bytes and a runtime DLL)"
for preset in win32 win64; do
  for file in "build/$preset/poster/Lumora.exe" "build/$preset/installer/SetupLumora.exe"; do
    if [ -f "$file" ]; then
      size=$(stat -c %s "$file")
      printf '  %-38s %8d bytes  %s of the original\n' "$file" "$size" \
        "$(awk -v s="$size" -v g="$size_goal" 'BEGIN { printf "%5.1f%%", 100 * s / g }')"
    else
      printf '  %-38s missing\n' "$file"
    fi
  done
done

for preset in win32 win64; do
  triplet=i686-w64-mingw32
  [ "$preset" = win64 ] && triplet=x86_64-w64-mingw32
  for file in "build/$preset/poster/Lumora.exe" "build/$preset/installer/SetupLumora.exe"; do
    [ -f "$file" ] || continue
    printf '  %s imports: %s\n' "$file" \
      "$("$triplet-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | sort -f | tr '\n' ' ')"
  done
done

echo "What takes the room in build/win32/poster/Lumora.exe (linker map; bytes before alignment)"
if [ -f build/win32/poster/Lumora.exe.map ]; then
  python3 scripts/map_sizes.py build/win32/poster/Lumora.exe.map 12
fi

measure_startup() {
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
        "Lumora.exe, start to window shown": lambda: session.time_start(
            harness.lumora_exe(), "LumoraMain"),
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
    filled, shown, minimal = (1000 * statistics.median(v) for v in times.values())
    print("  filled status less the 100 ms timer: %.1f ms, %.2f x the minimal window (aim 1.2 x)"
          % (filled - 100, (filled - 100) / minimal))
    print("  beyond the minimal window: %.1f ms to show the window, %.1f ms from shown to filled "
          "beside the timer's 100" % (shown - minimal, filled - shown - 100))
    with open("/proc/loadavg") as f:
        print("  load average: %s" % " ".join(f.read().split()[:3]))
PY
}

echo "Start-up under Wine, median of $runs runs: the x86-64 build (build/win64)"
measure_startup
if settings=$(scripts/prepare_wine32.sh --check 2>/dev/null) && [ -f build/win32/poster/Lumora.exe ]; then
  echo "Start-up of the 32-bit build (build/win32), EMULATED: 32-bit Wine through qemu-i386, same run"
  (
    while IFS= read -r line; do export "${line?}"; done <<<"$settings"
    export LUMORA_BUILD="$PWD/build/win32"
    measure_startup
  )
else
  echo "The 32-bit build's start-up is not measured: run scripts/prepare_wine32.sh as root first"
fi
