#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev python3 curl clang-format openssl
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb x11-utils fonts-liberation imagemagick
  clang libclang-rt-14-dev chromium)
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
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install \
    -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# puppeteer-core (never downloads a browser: the tests point it at Debian's Chromium), at the
# versions of the committed lock file.
browser_dir="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser_dir/node_modules/puppeteer-core" ]; then
  (cd "$browser_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi
