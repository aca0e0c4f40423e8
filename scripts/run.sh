#!/usr/bin/env bash
# Builds Lumora and runs it under Wine against the local stand-in services.
# With --32: the shipped 32-bit build, under 32-bit Wine through CPU emulation.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
preset=win64
for arg in "$@"; do
  [ "$arg" = --32 ] && preset=win32
done
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j"$(nproc)" --target Lumora lumora_driver
if [ "$preset" = win32 ]; then
  if ! settings=$(scripts/prepare_wine32.sh --check); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    settings=$("${sudo_cmd[@]}" scripts/prepare_wine32.sh)
  fi
  while IFS= read -r line; do
    export "${line?}"
  done <<<"$settings"
  export LUMORA_BUILD="$PWD/build/win32"
fi
exec python3 scripts/run_lumora.py "$@"
