#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev python3 curl clang-format openssl
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb x11-utils fonts-liberation imagemagick
  clang libclang-rt-14-dev chromium libjsmn-dev tinyproxy nginx-light unicode-data
  locales)
# Node runs the browser test's driver; a Node from elsewhere that brings its own npm is kept.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # The end-to-end tests start tinyproxy and nginx themselves on free loopback ports: the
  # packages must not start their own services while they install.
  guard=/usr/sbin/policy-rc.d
  if [ ! -e "$guard" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$guard" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$guard"
    trap '"${sudo_cmd[@]}" rm -f "$guard"' EXIT
  fi
  lock=(-o DPkg::Lock::Timeout=600)
  "${sudo_cmd[@]}" apt-get "${lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${lock[@]}" install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

# puppeteer-core (never downloads a browser: the tests point it at Debian's Chromium), at the
# versions of the committed lock file.
browser_dir="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser_dir/node_modules/puppeteer-core" ]; then
  (cd "$browser_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi

# The reference Bluesky PDS and its Node, at the versions of their committed lock files.
"$(dirname "$0")/install_pds.sh"
