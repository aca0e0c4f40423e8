#!/usr/bin/env bash
# Runs every test: the native unit tests and, on the Windows builds, the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

jobs=$(nproc)
cmake --preset win64 >/dev/null && cmake --build build/win64 -j"$jobs"
# The 32-bit build ships; this machine cannot run it, so it is compiled and measured only.
cmake --preset win32 >/dev/null && cmake --build build/win32 -j"$jobs"
cmake --preset linux -DLUMORA_WIN64_DIR="$PWD/build/win64" -DLUMORA_WIN32_DIR="$PWD/build/win32" >/dev/null
cmake --build build/linux -j"$jobs"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
ctest --test-dir build/linux --output-on-failure -j"$jobs" | tee "$log" || status=$?
# The Wine suites share one lock, so they run one after another: their total is the sum.
awk '/Test +#[0-9]+: e2e_/ { for (i = 1; i < NF; i++) if ($(i + 1) == "sec") { t += $i; n++ } }
     END { if (n) printf "End-to-end suites: %d, %.1f s in total\n", n, t }' "$log"
exit "$status"
