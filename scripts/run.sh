#!/usr/bin/env bash
# Builds Lumora and runs it under Wine against the local stand-in services.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake --preset win64 >/dev/null
cmake --build build/win64 -j"$(nproc)" --target Lumora lumora_driver
exec python3 scripts/run_lumora.py "$@"
