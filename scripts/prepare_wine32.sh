#!/usr/bin/env bash
# Prepares 32-bit Wine, run through qemu's user-mode emulation, in a private folder under build/.
#
# This machine's processor cannot run 32-bit Linux code, so the shipped 32-bit programs run under
# Debian's 32-bit Wine loader emulated by qemu-i386. Nothing is installed on the system: wine32
# and the i386 libraries it loads are downloaded through a private apt configuration and unpacked
# into build/wine32/root, qemu-user comes from bookworm-backports the same way (Debian 12's own
# qemu 7.2 ignores MAP_FIXED_NOREPLACE, and Wine's start-up then takes minutes), and the system's
# apt sources, architectures and 64-bit Wine stay exactly as they were. The one system change is
# the binfmt_misc handler that hands 32-bit ELF programs to the private qemu-i386.
#
# Needs root (binfmt_misc). Idempotent: a second run checks and re-registers, downloading nothing.
# Usage: scripts/prepare_wine32.sh [--check]   (--check: only report whether it is ready)
# Prints the variables the end-to-end harness reads, for use with `eval`.
set -euo pipefail
cd "$(dirname "$0")/.."
base="$PWD/build/wine32"
root="$base/root"
apt_dir="$base/apt"
qemu="$base/qemu/usr/bin/qemu-i386"
binfmt=/proc/sys/fs/binfmt_misc
handler_name=lumora-qemu-i386
stamp="$base/ready"

# Wine loads these i386 libraries at run time without depending on them (XFixes: the clipboard).
runtime_libraries=(libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3
  libxxf86vm1)

say() { echo "prepare_wine32: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

print_environment() {
  cat <<EOF
LUMORA_WINE=$root/usr/lib/wine/wine
LUMORA_WINESERVER=/usr/lib/wine/wineserver64
LUMORA_WINEARCH=win32
QEMU_LD_PREFIX=$root
LUMORA_TIMEOUT_FACTOR=4
EOF
}

wine64_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
[ -n "$wine64_version" ] || fail "wine64 is not installed (scripts/install_deps.sh installs it)"

registered() {
  [ -f "$binfmt/$handler_name" ] && grep -q "^interpreter $qemu\$" "$binfmt/$handler_name" &&
    grep -q "^flags: F" "$binfmt/$handler_name"
}

if [ "${1:-}" = --check ]; then
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wine64_version" ] && registered; then
    print_environment
    exit 0
  fi
  exit 1
fi

[ "$(id -u)" -eq 0 ] || fail "run as root: registering the emulator with binfmt_misc needs it"

if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wine64_version" ]; then
  rm -rf "$root" "$base/qemu" "$stamp"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$root" "$base/qemu"
  # A private apt: its own sources (the Debian 12 suites plus bookworm-backports, amd64 and i386),
  # lists and cache. The system's dpkg database is read only, to resolve dependencies.
  cat >"$apt_dir/sources.list" <<'EOF'
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main
EOF
  apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o "Dir::Cache::archives=$apt_dir/cache/archives" -o APT::Architectures::=amd64
    -o APT::Architectures::=i386 -o Debug::NoLocking=1 -o APT::Sandbox::User=root -qq)
  say "reading the package lists (private apt configuration in $apt_dir)"
  apt-get "${apt_options[@]}" update

  wine32_version=$(apt-cache "${apt_options[@]}" show "wine32:i386=$wine64_version" 2>/dev/null |
    sed -n 's/^Version: //p' | head -1)
  if [ "$wine32_version" != "$wine64_version" ]; then
    fail "wine32 $wine64_version is not available, but the installed wine64 is $wine64_version:
  the 32-bit loader and the system's wineserver must be the same version (their protocol must
  match). Available wine32 versions: $(apt-cache "${apt_options[@]}" madison wine32:i386 |
      awk -F'|' '{ gsub(/ /, "", $2); printf "%s ", $2 }')"
  fi

  say "downloading wine32 $wine64_version with its i386 libraries and qemu-user from backports"
  DEBIAN_FRONTEND=noninteractive apt-get "${apt_options[@]}" install --download-only -y \
    --no-install-recommends "wine32:i386=$wine64_version" >/dev/null
  (cd "$apt_dir/cache/archives" &&
    apt-get "${apt_options[@]}" download "${runtime_libraries[@]/%/:i386}" libz-mingw-w64 \
      qemu-user/bookworm-backports)

  say "unpacking into $root"
  for deb in "$apt_dir"/cache/archives/*_i386.deb "$apt_dir"/cache/archives/libz-mingw-w64_*.deb; do
    dpkg -x "$deb" "$root"
  done
  qemu_deb=$(ls "$apt_dir"/cache/archives/qemu-user_*bpo*_amd64.deb | sort -V | tail -1)
  dpkg -x "$qemu_deb" "$base/qemu"
  "$qemu" --version | head -1 >&2

  echo "$wine64_version" >"$stamp"
fi

# What libwine's install script does: Wine's builtin zlib1.dll is the MinGW one with the
# builtin marker and 16 NULs written over the 32 bytes at offset 64; without it user32 does not
# load. Cheap, so it is redone on every run.
for arch in i386 x86_64; do
  target="$root/usr/lib/i386-linux-gnu/wine/$arch-windows"
  mkdir -p "$target"
  prefix=$arch
  [ "$arch" = i386 ] && prefix=i686
  cp "$root/usr/$prefix-w64-mingw32/lib/zlib1.dll" "$target/zlib1.dll"
  printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' |
    dd of="$target/zlib1.dll" bs=1 seek=64 count=32 conv=notrunc status=none
done

# The emulated loader reads the sysroot's own cache; without one it would read the host's
# and mix in the host's /lib32.
mkdir -p "$root/etc"
echo 'include /etc/ld.so.conf.d/*.conf' >"$root/etc/ld.so.conf"
ldconfig -r "$root"

# binfmt_misc: the F flag opens the interpreter now, so the handler keeps working for every
# process Wine re-executes, whatever its mount namespace or working folder.
if [ ! -f "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" || fail "cannot mount binfmt_misc at $binfmt"
fi
if ! registered; then
  [ -f "$binfmt/$handler_name" ] && echo -1 >"$binfmt/$handler_name"
  printf '%s' ":$handler_name:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" \
    >"$binfmt/register"
fi
for other in "$binfmt"/*; do
  # Another handler for the same programs (such as qemu-user-binfmt's) would compete with ours.
  case "$(basename "$other")" in register | status | "$handler_name") continue ;; esac
  if grep -q '^magic 7f454c460101010000000000000000000200030' "$other" 2>/dev/null &&
    grep -q '^enabled' "$other"; then
    say "note: $(basename "$other") also handles 32-bit x86 programs"
  fi
done

version=$(QEMU_LD_PREFIX="$root" "$root/usr/lib/wine/wine" --version 2>/dev/null || true)
[ -n "$version" ] || fail "the 32-bit Wine loader does not start under $qemu"
say "ready: $version through $("$qemu" --version | head -1), beside the system's wine64 $wine64_version"
print_environment
