#!/usr/bin/env bash
# Runs every test: the native unit tests and, on the Windows builds, the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

jobs=$(nproc)
cmake --preset win64 >/dev/null && cmake --build build/win64 -j"$jobs"
# The 32-bit build ships; its programs run under 32-bit Wine through CPU emulation.
cmake --preset win32 >/dev/null && cmake --build build/win32 -j"$jobs"
if ! scripts/prepare_wine32.sh --check >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" scripts/prepare_wine32.sh >/dev/null
fi
cmake --preset linux -DLUMORA_WIN64_DIR="$PWD/build/win64" -DLUMORA_WIN32_DIR="$PWD/build/win32" >/dev/null
cmake --build build/linux -j"$jobs"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
ctest --test-dir build/linux --output-on-failure -j"$jobs" | tee "$log" || status=$?
# The Wine suites share one lock, so they run one after another: their total is the sum.
awk 'function add(k) { for (i = 1; i < NF; i++) if ($(i + 1) == "sec") { t[k] += $i; n[k]++ } }
     /Test +#[0-9]+: e2e_/ { add("x86-64 build") }
     /Test +#[0-9]+: e2e32_/ { add("32-bit build, emulated") }
     END { for (k in n) printf "End-to-end suites on the %s: %d, %.1f s in total\n", k, n[k], t[k] }' "$log"
exit "$status"
